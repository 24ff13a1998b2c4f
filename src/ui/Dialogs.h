#pragma once
// Every message box of the program goes through here, so that one place decides how a box looks
// (caption, icon, the file or field it names) and so that tests can answer boxes without a user.

#include <QMessageBox>
#include <QString>
#include <functional>

class QWidget;

namespace dialogs {

enum class Kind { Information, Warning, Error, Question };

struct Box {
  Kind kind;
  QString caption;
  QString text;
  QMessageBox::StandardButtons buttons;
};

// Shows a modal box and returns the button pressed.
QMessageBox::StandardButton show(QWidget* parent, const Box& box);

// Shorthands.
void information(QWidget* parent, const QString& caption, const QString& text);
void warning(QWidget* parent, const QString& caption, const QString& text);
void error(QWidget* parent, const QString& text);
bool askYesNo(QWidget* parent, const QString& caption, const QString& text);

// Replaces the boxes by a function (for tests); an empty function restores real boxes.
using Hook = std::function<QMessageBox::StandardButton(const Box&)>;
void setHook(Hook hook);

}  // namespace dialogs
