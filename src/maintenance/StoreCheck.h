#pragma once
// The consistency check of a store, for `halcyra-tool check`: whether the file is sound and the
// rows agree with one another as the program keeps them.
//
//   - the database engine's own integrity check (SQLite files; a server checks its own pages);
//   - each patient's NCourse is its highest course number (a lower one makes the next new course
//     collide with an old one; a higher one means adding a course was cut short);
//   - each patient's course status bits are those its courses' Complete flags give (the status
//     boxes of the patient list go by them), and every course and photograph belongs to a row of
//     its master table;
//   - the packed columns of every course have the forms the program writes (PackedColumnsCheck.h);
//   - every photograph holds a JPEG file that decodes whole.
//
// Each problem is one line naming the row ("patient ABC1234: ...", "course ABC1234 2: ...",
// "photograph 17 of course ABC1234 2: ..."). A part of the store that cannot be read at all is
// one problem too. The checks read in pieces, so a large store never has to fit in memory.

#include <QStringList>
#include <functional>

namespace records {
class Connection;
}

namespace maintenance {

// Checks the store on an open connection; empty when it is sound. `progress`, when given, hears a
// short line now and then ("photographs: 1200 of 5000").
QStringList checkStore(records::Connection& store, const std::function<void(const QString&)>& progress = {});

}  // namespace maintenance
