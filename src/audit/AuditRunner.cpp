#include "audit/AuditRunner.h"

#include <QThread>

#include "audit/StoreAudit.h"
#include "records/DataError.h"

namespace audit {

AuditRunner::AuditRunner(records::Connection::Login login, const Period& period, std::optional<int> threshold,
                         QObject* parent)
    : QObject(parent) {
  // Only the thread writes figures_ and failure_; the owner's thread reads them after the thread
  // ended (finished() is sent from QThread::finished, queued to this object's thread).
  thread_ = QThread::create([this, login = std::move(login), period, threshold] {
    try {
      records::Connection connection;  // made, used and closed on this thread
      connection.open(login);
      figures_ = auditStore(connection, period, threshold, [this](qint64 done, qint64 total) {
        if (cancelled_) return false;
        emit progress(done, total);  // queued to the owner's thread
        return true;
      });
    } catch (const records::DataError& e) {
      failure_ = e.message();
    } catch (const std::exception& e) {
      failure_ = QString::fromUtf8(e.what());
    } catch (...) {
      failure_ = QStringLiteral("the courses could not be read");
    }
  });
  connect(thread_, &QThread::finished, this, &AuditRunner::finished, Qt::QueuedConnection);
  thread_->start();
}

AuditRunner::~AuditRunner() {
  cancelled_ = true;
  thread_->wait();
  delete thread_;
}

std::optional<Figures> AuditRunner::take() {
  thread_->wait();
  return std::exchange(figures_, std::nullopt);
}

}  // namespace audit
