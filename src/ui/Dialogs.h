#pragma once
// Every message box of the program goes through here, so that one place decides how a box looks
// (caption, icon, the file or field it names) and so that tests can answer boxes without a user.

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace dialogs {

enum class Kind { Information, Warning, Error, Question };

struct Box {
  Kind kind;
  QString caption;
  QString text;
  QMessageBox::StandardButtons buttons;
  QStringList choices = {};  // a box of choices (choose()): one button each, then Cancel
};

// Shows a modal box and returns the button pressed.
QMessageBox::StandardButton show(QWidget* parent, const Box& box);

// Shorthands.
void information(QWidget* parent, const QString& caption, const QString& text);
void warning(QWidget* parent, const QString& caption, const QString& text);
void error(QWidget* parent, const QString& text);
bool askYesNo(QWidget* parent, const QString& caption, const QString& text);
// A question answered by one of `choices` (a button each) or Cancel: the index chosen, -1 for
// Cancel. The first choice is the default button.
int choose(QWidget* parent, const QString& caption, const QString& text, const QStringList& choices);

// Replaces the boxes by a function (for tests); an empty function restores real boxes.
using Hook = std::function<QMessageBox::StandardButton(const Box&)>;
void setHook(Hook hook);
// Answers boxes of choices (for tests): the index chosen, -1 for Cancel. Without it a box of
// choices goes to the hook above, when one is set, and counts as cancelled.
using ChoiceHook = std::function<int(const Box&)>;
void setChoiceHook(ChoiceHook hook);

}  // namespace dialogs
