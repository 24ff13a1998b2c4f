#pragma once
// Reads the rows a cursor over a table lists on a thread of its own, through a second connection
// to the same store, so that the window is on the screen and answering while a department's
// hundred thousand patients are read. The cursor takes the rows over afterwards
// (DataSet::adoptList) and reads only what changed meanwhile.

#include <QObject>
#include <QString>
#include <memory>
#include <optional>

#include "records/Connection.h"
#include "records/DataSet.h"

class QThread;

namespace records {

class ListReader : public QObject {
  Q_OBJECT

 public:
  // Starts reading once the calling thread's event loop runs, or when take() asks first.
  ListReader(Connection::Login login, const TableDef& table, QObject* parent = nullptr);
  // Waits for the read to end: the reading connection must not outlive what it reads for.
  ~ListReader() override;

  // Waits for the read to end and hands over its rows; nothing when the store refused, with the
  // reason in failure().
  std::optional<ListSnapshot> take();
  const QString& failure() const { return failure_; }

 signals:
  // The read ended, well or not; sent on the thread that made the reader.
  void finished();

 private:
  void start();

  QThread* thread_;
  bool started_ = false;
  std::optional<ListSnapshot> snapshot_;
  QString failure_;
};

}  // namespace records
