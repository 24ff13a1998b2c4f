#pragma once
// The one error the patient store raises: a refusal of the database, a file that is missing or is
// not a database of this program, a value that does not fit its column, a photograph that cannot be
// decoded. Its text names the file or the column and says what the user can do.

#include <QString>
#include <stdexcept>

namespace records {

class DataError : public std::runtime_error {
 public:
  explicit DataError(const QString& message)
      : std::runtime_error(message.toStdString()), message_(message) {}
  const QString& message() const { return message_; }

 private:
  QString message_;
};

}  // namespace records
