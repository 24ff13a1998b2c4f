#include "records/ListReader.h"

#include <QThread>

#include "records/DataError.h"

namespace records {

ListReader::ListReader(Connection::Login login, const TableDef& table, QObject* parent) : QObject(parent) {
  // Only the thread writes snapshot_ and failure_, and only the owner's thread reads them, after
  // waiting for the thread to end.
  thread_ = QThread::create([this, login = std::move(login), &table] {
    try {
      Connection connection;  // made, used and closed on this thread (a Qt SQL connection is bound to its thread)
      connection.open(login);
      snapshot_ = DataSet::readList(connection, table);
    } catch (const DataError& e) {
      failure_ = e.message();
    } catch (const std::exception& e) {
      failure_ = QString::fromUtf8(e.what());
    } catch (...) {
      failure_ = QStringLiteral("the list could not be read");
    }
  });
  connect(thread_, &QThread::finished, this, &ListReader::finished, Qt::QueuedConnection);
  // The read begins when the caller's thread next waits for events (at a start, once the window
  // is on the screen and built): until then it would only compete with them for the processor.
  QMetaObject::invokeMethod(this, &ListReader::start, Qt::QueuedConnection);
}

ListReader::~ListReader() {
  thread_->wait();  // at once when it never started
  delete thread_;
}

void ListReader::start() {
  if (started_) return;
  started_ = true;
  thread_->start();
}

std::optional<ListSnapshot> ListReader::take() {
  start();
  thread_->wait();
  return std::exchange(snapshot_, std::nullopt);
}

}  // namespace records
