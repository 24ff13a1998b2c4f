#pragma once
// Where the patient store is: the database setting (the program's, or a folder argument of halcyra-tool)
// names either a folder holding the store file, or a PostgreSQL server database as a connection
// URI:
//
//   postgresql://[user@][host][:port]/dbname[?param=value&...]
//
// with host= (a socket folder), port= and sslmode= among the parameters. A password is never
// taken from the setting: it comes from the user's ~/.pgpass, from PGPASSWORD, or from a password
// box at start-up, and is kept in memory only. An address typed with a password is kept, and shown
// in messages, as the PostgreSQL client library reads it, rebuilt without the password; one that
// cannot be rebuilt safely is refused rather than kept half.
//
// A server anywhere but on this computer is reached over TLS that checks the server's identity
// (sslmode=verify-full) unless the address names another mode; a weaker mode named there is
// warned about (tlsWarning).

#include <QString>
#include <functional>
#include <optional>

namespace records {

struct StoreLocation {
  enum class Kind {
    None,    // the setting is empty
    Folder,  // a folder with the store file
    Server,  // a database on a PostgreSQL server
  };
  Kind kind = Kind::None;
  QString text;  // the setting as given (it may hold a password: never shown, never kept)

  // For a server: the parts of the URI (empty when the URI leaves them to the defaults).
  QString host, hostaddr, port, database, user, sslmode;
  bool passwordInUri = false;  // the URI carries a password (it is used, but never shown)
  QString problem;             // why the URI cannot be used; empty when it can
  // The address as it may be kept in the settings and shown: the text as typed when it cannot
  // hold a password, else rebuilt from the client library's reading of it without the password.
  // Empty for a folder, and for an address that cannot be read or rebuilt safely (problem says
  // why).
  QString setting;

  bool isServer() const { return kind == Kind::Server; }
  // How the server is named in messages: "host db.example.org, port 5432", "the socket folder
  // /run/postgresql" ...
  QString serverName() const;
  // The URI as it may be shown: `setting`, or a placeholder when there is none.
  QString shownUri() const;

  // Every host the address names (or, without one, the PGHOST the client library would use) is
  // this computer: a socket folder, localhost, 127.0.0.0/8 or ::1.
  bool loopback() const;
  // The sslmode the connection is made with: the address's own, else verify-full for a server
  // reached over the network; empty for the loopback (the client library's default).
  QString sslmodeToUse() const;
  // Why the connection is weaker than verify-full, for a server over the network whose address
  // names a weaker mode; empty otherwise.
  QString tlsWarning() const;
};

// True when `text` is a PostgreSQL connection URI rather than a folder.
bool isServerUri(const QString& text);

// Reads the database setting. A URI is checked with the PostgreSQL client library's own parser;
// a URI it refuses, or one whose password cannot be told apart from the rest, has `problem` set.
StoreLocation parseStoreLocation(const QString& text);

// Why `text` cannot serve as the database setting, as the user chose it: a folder must exist, a
// server address must be one the PostgreSQL client library reads (and, with a password typed into
// it, one that can be kept without it). Empty when it can serve.
QString databaseSettingProblem(const QString& text, bool server);

// Asked for a password when the server wants one that ~/.pgpass and PGPASSWORD did not give;
// `question` names the user, the database and the server. Nothing means the user gave none.
using PasswordPrompt = std::function<std::optional<QString>(const QString& question)>;

// Overwrites the bytes of a password before they are let go.
void wipe(QString& secret);
void wipe(QByteArray& secret);

}  // namespace records
