#pragma once
// Where the patient database is: a folder on this computer holding the file "Brell_Data.db", or a
// database on the department's PostgreSQL server, named by its address
// (postgresql://[user@][host][:port]/dbname[?param=value...]). A password is never part of the
// setting: the server's is asked at start-up, or taken from ~/.pgpass or PGPASSWORD.

#include <QDialog>
#include <QString>
#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace ui {

// The dialog: a folder (typed, or chosen with "Choose...") or a server address.
class DatabaseSettingDialog : public QDialog {
  Q_OBJECT
 public:
  // Starts from `current` (a folder or an address); `preferServer` opens it at the server's line.
  DatabaseSettingDialog(const QString& current, bool preferServer, QWidget* parent = nullptr);

  // The setting chosen: the folder, or the address without any password it was typed with.
  QString setting() const;

  void accept() override;  // refuses a folder that does not exist and an address that cannot be read

 private:
  void chooseFolder();
  void follow();

  QRadioButton* folderChoice_;
  QLineEdit* folder_;
  QPushButton* browse_;
  QRadioButton* serverChoice_;
  QLineEdit* server_;
  QLabel* problem_;
};

// Asks for the database setting, starting from `current`; nothing when the user cancels. A test
// replaces the dialog through setDatabaseSettingChooser.
std::optional<QString> chooseDatabaseSetting(QWidget* parent, const QString& current, bool preferServer);
using DatabaseSettingChooser =
    std::function<std::optional<QString>(QWidget* parent, const QString& current, bool preferServer)>;
void setDatabaseSettingChooser(DatabaseSettingChooser chooser);

}  // namespace ui
