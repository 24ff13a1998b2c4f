#pragma once
// Connecting the data module at start-up. The program never creates a database on its own: when
// the database directory holds none, the user is asked, with the full path named, whether to
// create an empty one there; otherwise the program goes on without a connection.

class QWidget;
class TDataPatient;

// Connects `data` to the database in DBDir. Problems are shown in boxes on `parent`; start-up
// continues in every case (without a connection when none could be made).
void connectDataModule(TDataPatient& data, QWidget* parent);
