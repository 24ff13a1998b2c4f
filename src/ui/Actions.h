#pragma once
// How a window runs what the user does: every handler through one guard, and the fields' "left"
// handlers once per real move of the focus.
//
// The guard: no exception ever leaves a slot or an event filter. Whatever a handler raises (a
// refusal of the store, a file that cannot be read, a codec error) is shown in the program's one
// error box, whose text names what was being done and why, and the window goes on.
//
// The focus: a field's "left" handler runs once each time the focus moves from it to another
// widget of the same window. Deactivating the window (another program, a menu), a popup opening
// (a list's drop-down, a calendar) or a message box opening is no leave: the user comes back to the
// field as it was. The handler runs once the focus change is over, never in the middle of it (a
// box opened there would disturb it); a leave still waiting runs before any other action of the
// window, so an action always sees what was typed.

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <exception>
#include <functional>

class QWidget;

namespace ui {

// The text of an exception for the error box.
QString describe(const std::exception& e);
// Shows `text` in the error box over `anchor`'s window. Never throws.
void showError(QWidget* anchor, const QString& text) noexcept;
// Runs `fn`; whatever it raises is shown in the error box. Never throws.
void guarded(QWidget* anchor, const std::function<void()>& fn) noexcept;

class Actions : public QObject {
  Q_OBJECT
 public:
  // The actions of `window` (a top-level widget).
  explicit Actions(QWidget* window);

  QWidget* window() const { return window_; }

  // Runs a user action: a leave still waiting first, then `action`, guarded.
  void run(const std::function<void()>& action);
  // Connects `signal` of `sender` to `action` run as a user action (the signal's arguments are
  // not passed: read the widget).
  template <class Sender, class Signal>
  void on(const Sender* sender, Signal signal, std::function<void()> action) {
    QObject::connect(sender, signal, this, [this, action] { run(action); });
  }

  // The handlers of a field: `left` runs when the focus leaves it for another widget of the
  // window, `entered` when the focus comes to it from another widget of the window, or as the
  // window takes the focus back (so `entered` must be harmless when it runs again). A field made
  // of several widgets (an editable list, a date picker) counts as one.
  void onLeave(QWidget* field, std::function<void()> left);
  void onEnter(QWidget* field, std::function<void()> entered);
  // True while the focus has left `field` and its handler has not run yet.
  bool leaving(const QWidget* field) const { return waiting_ == field; }
  // Runs a leave still waiting, now.
  void settle();
  // The window is closing: the field that has the focus is handled as if it were left.
  void leaveFocused();

 private:
  struct Handlers {
    std::function<void()> left, entered;
  };
  void focusChanged(QWidget* old, QWidget* now);
  QWidget* fieldOf(QWidget* widget) const;
  void runLeft(QWidget* field);

  QWidget* window_;
  QHash<const QWidget*, Handlers> handlers_;
  QPointer<QWidget> waiting_;
  bool leavingNow_ = false;
};

}  // namespace ui
