#include "ui/Dialogs.h"

#include <QApplication>
#include <QPushButton>
#include <vector>

namespace dialogs {
namespace {
Hook& hook() {
  static Hook h;
  return h;
}
ChoiceHook& choiceHook() {
  static ChoiceHook h;
  return h;
}
QMessageBox::Icon iconOf(Kind kind) {
  switch (kind) {
    case Kind::Information: return QMessageBox::Information;
    case Kind::Warning: return QMessageBox::Warning;
    case Kind::Error: return QMessageBox::Critical;
    case Kind::Question: return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}
}  // namespace

QMessageBox::StandardButton show(QWidget* parent, const Box& box) {
  if (hook()) return hook()(box);
  QMessageBox mb(iconOf(box.kind), box.caption, box.text, box.buttons, parent);
  // Boxes carry texts from files, the database and servers: shown as they are, never as markup.
  mb.setTextFormat(Qt::PlainText);
  return static_cast<QMessageBox::StandardButton>(mb.exec());
}

void information(QWidget* parent, const QString& caption, const QString& text) {
  show(parent, {Kind::Information, caption, text, QMessageBox::Ok});
}

void warning(QWidget* parent, const QString& caption, const QString& text) {
  show(parent, {Kind::Warning, caption, text, QMessageBox::Ok});
}

void error(QWidget* parent, const QString& text) {
  show(parent, {Kind::Error, QApplication::applicationName(), text, QMessageBox::Ok});
}

bool askYesNo(QWidget* parent, const QString& caption, const QString& text) {
  return show(parent, {Kind::Question, caption, text, QMessageBox::Yes | QMessageBox::No}) == QMessageBox::Yes;
}

int choose(QWidget* parent, const QString& caption, const QString& text, const QStringList& choices) {
  const Box box{Kind::Question, caption, text, QMessageBox::Cancel, choices};
  if (choiceHook()) return choiceHook()(box);
  if (hook()) {
    hook()(box);
    return -1;
  }
  QMessageBox mb(QMessageBox::Question, caption, text, QMessageBox::NoButton, parent);
  mb.setTextFormat(Qt::PlainText);
  std::vector<QAbstractButton*> buttons;
  for (const QString& choice : choices) buttons.push_back(mb.addButton(choice, QMessageBox::AcceptRole));
  mb.addButton(QMessageBox::Cancel);
  if (!buttons.empty()) mb.setDefaultButton(static_cast<QPushButton*>(buttons.front()));
  mb.exec();
  for (std::size_t i = 0; i < buttons.size(); ++i)
    if (mb.clickedButton() == buttons[i]) return static_cast<int>(i);
  return -1;
}

void setHook(Hook h) { hook() = std::move(h); }
void setChoiceHook(ChoiceHook h) { choiceHook() = std::move(h); }

}  // namespace dialogs
