#include "ui/Dialogs.h"

#include <QApplication>

namespace dialogs {
namespace {
Hook& hook() {
  static Hook h;
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

void setHook(Hook h) { hook() = std::move(h); }

}  // namespace dialogs
