#pragma once
// Reading a whole file that comes from outside the program (a photograph, an older system's
// patient file, the dose factor file and its text description, a prepared report): only a regular
// file, and only up to the size a file of its kind can have.
//
// A pipe, a device or a folder given in a file's place would block the reader or feed it without
// end, and a file far larger than its kind would be held whole in memory; both are refused with a
// message that names the file and what is wrong. The file is opened without waiting (a pipe that
// nobody writes would otherwise hold the open itself) and read at most one byte beyond its limit,
// so a file that grows while it is read is refused too.

#include <QByteArray>
#include <QString>
#include <stdexcept>

namespace files {

// The largest file of each kind the program reads.
inline constexpr qint64 kMegabyte = 1024 * 1024;
inline constexpr qint64 kLargestPhotograph = 100 * kMegabyte;       // a 100-megapixel camera's JPEG is about 50 MB
inline constexpr qint64 kLargestLegacyFile = 1 * kMegabyte;         // a patient file holds a few hundred bytes
inline constexpr qint64 kLargestFactorFile = 4 * kMegabyte;         // 656 bytes, a pattern and a bitmap logo
inline constexpr qint64 kLargestFactorDescription = 1 * kMegabyte;  // about 2 KB of text
inline constexpr qint64 kLargestReportFile = 256 * kMegabyte;       // see report/ReportFile.h

class ReadError : public std::runtime_error {
 public:
  enum class Problem { CannotOpen, NotAFile, TooLarge, CannotRead };
  ReadError(Problem problem, const QString& message, const QString& reason = {})
      : std::runtime_error(message.toStdString()), problem_(problem), message_(message), reason_(reason) {}

  Problem problem() const { return problem_; }
  // A sentence naming the file and what is wrong.
  const QString& message() const { return message_; }
  // The system's reason alone ("No such file or directory"), where the system gave one.
  const QString& reason() const { return reason_; }

 private:
  Problem problem_;
  QString message_;
  QString reason_;
};

// The whole of the file at `path`, which must be a regular file of at most `limit` bytes. `kind`
// names such a file in messages, with its article ("a photograph", "a patient file"). Raises
// ReadError; its message names the file in the system's way of writing paths, for example
//   "/tmp/x.jpg" is a pipe, not a file: a photograph is read only from a file.
//   "/tmp/x.jpg" is 20.5 GB, more than a photograph can be (at most 100 MB).
QByteArray readBounded(const QString& path, qint64 limit, const QString& kind);

// A size for people: "512 bytes", "1.5 KB", "100 MB", "20.5 GB" (powers of 1024, a point).
QString sizeText(qint64 bytes);

}  // namespace files
