#pragma once
// The pictures, cursor, icon and help pages built into the program.

#include <QByteArray>
#include <QCursor>
#include <QIcon>
#include <QPixmap>
#include <QPoint>
#include <QString>
#include <QStringList>

namespace resources {

// The body outline "Person" as its raw JPEG file: 216 x 263 pixels, front view left, back right.
QByteArray personJpeg();

// The cursor over the body outline: a ring with a cross through it, its hot spot the centre.
inline constexpr QPoint targetHotSpot{15, 15};
QCursor targetCursor();

// The program icon, at 32, 64 and 256 pixels.
QIcon programIcon();

// A button's picture (24 x 24) by the button's caption: "Update", "Undo", "Clear", "Print",
// "List", "Select", "Load Data". Case, blanks and a mnemonic "&" do not matter. A null pixmap for
// any other name.
QPixmap buttonPicture(const QString& name);

// The help page of a topic as the program names it, "::Clinical.htm" (also "Halcyra.chm::Clinical.htm"
// or plain "Clinical.htm"), as HTML; empty when there is no such page.
QString helpPage(const QString& topic);

// The topics of the help pages, "::index.htm" first.
QStringList helpTopics();

}  // namespace resources
