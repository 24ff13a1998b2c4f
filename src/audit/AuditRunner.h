#pragma once
// The department audit worked out on a thread of its own, through a connection of its own to the
// same store, so that the window answers while a large department is read (and the user may go
// on working in it). The reading is the tool's (StoreAudit.h), page by page, so the store is
// never held for other workstations either. Progress comes back as signals; cancel() stops the
// reading at the next page.

#include <QObject>
#include <QString>
#include <atomic>
#include <optional>

#include "audit/DepartmentAudit.h"
#include "records/Connection.h"

class QThread;

namespace audit {

class AuditRunner : public QObject {
  Q_OBJECT

 public:
  // Starts at once.
  AuditRunner(records::Connection::Login login, const Period& period, std::optional<int> threshold,
              QObject* parent = nullptr);
  // Stops the reading and waits for the thread: its connection must not outlive what it reads for.
  ~AuditRunner() override;

  // Stops the reading at the next page; finished() follows, with no figures.
  void cancel() { cancelled_ = true; }
  bool cancelled() const { return cancelled_; }

  // After finished(): the figures, or nothing (cancelled, or the store refused with the reason in
  // failure()).
  std::optional<Figures> take();
  const QString& failure() const { return failure_; }

 signals:
  // Courses read so far and in all; sent on the thread that made the runner.
  void progress(qint64 done, qint64 total);
  // The work ended: figures, cancelled or failed.
  void finished();

 private:
  QThread* thread_;
  std::atomic<bool> cancelled_{false};
  std::optional<Figures> figures_;
  QString failure_;
};

}  // namespace audit
