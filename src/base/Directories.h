#pragma once
// The database setting of a running program: the folder that holds the store file, or the
// department server's address (records/StoreLocation.h). One owner holds it (the program's main,
// or a test) and passes it by reference to whoever needs it. Whoever changes it for this run does
// so through set(), which announces the change; whoever shows it listens to changed(). Keeping
// it for the next start is the settings' business (base/Settings.h), not this value's.
//
// The start-up folder (where the dose factor file and the help are found) is a plain QString
// taken once in main and passed the same way.

#include <QObject>
#include <QString>

namespace settings {

class DatabaseSetting : public QObject {
  Q_OBJECT
 public:
  explicit DatabaseSetting(QString value = QString(), QObject* parent = nullptr)
      : QObject(parent), value_(std::move(value)) {}

  const QString& value() const { return value_; }
  bool isEmpty() const { return value_.trimmed().isEmpty(); }

  // Takes `value` for this run; announces it when it differs from the one held.
  void set(const QString& value);

 signals:
  void changed(const QString& value);

 private:
  QString value_;
};

}  // namespace settings
