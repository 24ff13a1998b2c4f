#pragma once
// The errors of the open course. Every text names what it is about and what the user can do.

#include <QString>
#include <stdexcept>

namespace course {

// An operation that cannot be done as asked (no database connected, no such patient or course).
class Error : public std::runtime_error {
 public:
  explicit Error(const QString& message) : std::runtime_error(message.toStdString()), message_(message) {}
  const QString& message() const { return message_; }

 private:
  QString message_;
};

// The store refused a change. `what` names the change ("the Referred by "Dr Lock" of course 1 of
// patient ABC1234"), `reason` is the store's own. The change is kept and stored with the next one.
class StoreError : public Error {
 public:
  StoreError(const QString& what, const QString& reason)
      : Error(describe(what, reason)), change_(what), reason_(reason) {}
  const QString& change() const { return change_; }
  const QString& reason() const { return reason_; }

  static QString describe(const QString& what, const QString& reason) {
    return QStringLiteral(
               "The database did not store %1.\n\n%2\n\nWhat you entered stays on screen and is stored "
               "with your next change. If the database is busy (another workstation is saving), wait "
               "a moment and change or leave a field again.")
        .arg(what, reason);
  }

 private:
  QString change_;
  QString reason_;
};

}  // namespace course
