#include "ui/Actions.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include "course/CourseError.h"
#include "records/DataError.h"
#include "ui/Dialogs.h"

namespace ui {

QString describe(const std::exception& e) {
  if (const auto* course = dynamic_cast<const course::Error*>(&e)) return course->message();
  if (const auto* data = dynamic_cast<const records::DataError*>(&e)) return data->message();
  return QString::fromUtf8(e.what());
}

void showError(QWidget* anchor, const QString& text) noexcept {
  try {
    dialogs::error(anchor ? anchor->window() : nullptr, text);
  } catch (...) {
    // Not even the box could be shown (memory is exhausted): the window goes on regardless.
  }
}

void guarded(QWidget* anchor, const std::function<void()>& fn) noexcept {
  try {
    fn();
  } catch (const std::exception& e) {
    showError(anchor, describe(e));
  } catch (...) {
    showError(anchor, QStringLiteral("An unexpected error stopped what you were doing; nothing else was changed."));
  }
}

Actions::Actions(QWidget* window) : QObject(window), window_(window) {
  connect(qApp, &QApplication::focusChanged, this, &Actions::focusChanged);
}

void Actions::run(const std::function<void()>& action) {
  settle();
  guarded(window_, action);
}

void Actions::onLeave(QWidget* field, std::function<void()> left) { handlers_[field].left = std::move(left); }

void Actions::onEnter(QWidget* field, std::function<void()> entered) { handlers_[field].entered = std::move(entered); }

QWidget* Actions::fieldOf(QWidget* widget) const {
  for (QWidget* w = widget; w; w = w->parentWidget()) {
    if (handlers_.contains(w)) return w;
    if (w->isWindow()) break;
  }
  return nullptr;
}

void Actions::focusChanged(QWidget* old, QWidget* now) {
  // Deactivation, a popup, a box or another window: no leave and no entry. A field that takes the
  // focus as the window gets it back (a click into it) is entered: the window may have had no
  // focus at all, as after a dialog closed on a desktop that does not give it back.
  if (!now || now->window() != window_) return;
  if (!old) {
    if (QWidget* to = fieldOf(now); to && handlers_.value(to).entered) guarded(window_, handlers_.value(to).entered);
    return;
  }
  if (old->window() != window_) return;
  QWidget* from = fieldOf(old);
  QWidget* to = fieldOf(now);
  if (from == to) return;  // within one field
  if (from && handlers_.value(from).left) {
    settle();  // an earlier leave first, in the order they happened
    waiting_ = from;
    QTimer::singleShot(0, this, &Actions::settle);
  }
  if (to) {
    if (const auto entered = handlers_.value(to).entered) guarded(window_, entered);
  }
}

void Actions::settle() {
  if (leavingNow_ || !waiting_) return;
  QWidget* field = waiting_;
  waiting_ = nullptr;
  runLeft(field);
}

void Actions::runLeft(QWidget* field) {
  const auto left = handlers_.value(field).left;
  if (!left) return;
  leavingNow_ = true;
  guarded(window_, left);
  leavingNow_ = false;
}

void Actions::leaveFocused() {
  settle();
  if (QWidget* field = fieldOf(QApplication::focusWidget()); field && field->window() == window_) runLeft(field);
}

}  // namespace ui
