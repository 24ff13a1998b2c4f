#pragma once
// The one error the patient store raises: a refusal of the database, a file that is missing or is
// not a database of this program, a value that does not fit its column, a photograph that cannot be
// decoded. Its text names the file or the column and says what the user can do.

#include <QString>
#include <stdexcept>

namespace records {

class DataError : public std::runtime_error {
 public:
  explicit DataError(const QString& message) : std::runtime_error(message.toStdString()), message_(message) {}
  const QString& message() const { return message_; }

 private:
  QString message_;
};

// A database server that cannot be reached or refuses the login: the message names the server
// (`server`, as StoreLocation::serverName gives it) and gives the server's own reason.
class ServerUnreachable : public DataError {
 public:
  ServerUnreachable(const QString& message, const QString& server, const QString& reason)
      : DataError(message), server_(server), reason_(reason) {}
  const QString& server() const { return server_; }
  const QString& reason() const { return reason_; }

 private:
  QString server_;
  QString reason_;
};

}  // namespace records
