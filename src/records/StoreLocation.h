#pragma once
// Where the patient store is: the database setting (DBDir, or a folder argument of halcyra-tool)
// names either a folder holding the store file, or a PostgreSQL server database as a connection
// URI:
//
//   postgresql://[user@][host][:port]/dbname[?param=value&...]
//
// with host= (a socket folder), port= and sslmode= among the parameters. A password is never
// taken from the setting: it comes from the user's ~/.pgpass, from PGPASSWORD, or from a password
// box at start-up, and is kept in memory only.

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
  QString text;  // the setting as given

  // For a server: the parts of the URI (empty when the URI leaves them to the defaults).
  QString host, port, database, user, sslmode;
  bool passwordInUri = false;  // the URI carries a password (it is used, but never shown)
  QString problem;             // why the URI cannot be used; empty when it can

  bool isServer() const { return kind == Kind::Server; }
  // How the server is named in messages: "host db.example.org, port 5432", "the socket folder
  // /run/postgresql" ...
  QString serverName() const;
  // The URI as it may be shown: any password replaced by "***".
  QString shownUri() const;
};

// True when `text` is a PostgreSQL connection URI rather than a folder.
bool isServerUri(const QString& text);

// Reads the database setting. A URI is checked with the PostgreSQL client library's own parser;
// a URI it refuses has `problem` set.
StoreLocation parseStoreLocation(const QString& text);

// Why `text` cannot serve as the database setting, as the user chose it: a folder must exist, a
// server address must be one the PostgreSQL client library reads. Empty when it can serve.
QString databaseSettingProblem(const QString& text, bool server);

// Asked for a password when the server wants one that ~/.pgpass and PGPASSWORD did not give;
// `question` names the user, the database and the server. Nothing means the user gave none.
using PasswordPrompt = std::function<std::optional<QString>(const QString& question)>;

}  // namespace records
