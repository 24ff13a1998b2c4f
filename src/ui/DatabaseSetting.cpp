#include "ui/DatabaseSetting.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "records/StoreLocation.h"
#include "ui/ObjectNames.h"
#include "ui/WidgetMaking.h"

namespace ui {

namespace {
DatabaseSettingChooser& chooserHook() {
  static DatabaseSettingChooser hook;
  return hook;
}
}  // namespace

DatabaseSettingDialog::DatabaseSettingDialog(const QString& current, bool preferServer, QWidget* parent)
    : QDialog(parent) {
  setObjectName(names::DatabaseSetting);
  setWindowTitle(QStringLiteral("Patient database"));
  const bool server = preferServer || records::isServerUri(current);
  folderChoice_ = make::input(new QRadioButton(QStringLiteral("A folder on this computer")),
                              names::DatabaseFolderChoice, QStringLiteral("A folder on this computer"));
  folder_ = make::lineEdit(names::DatabaseFolder, QStringLiteral("Folder"));
  folder_->setMinimumWidth(420);
  browse_ = make::named(new QPushButton(QStringLiteral("Choose...")), names::DatabaseFolderBrowse);
  serverChoice_ = make::input(new QRadioButton(QStringLiteral("The department's database server")),
                              names::DatabaseServerChoice, QStringLiteral("The department's database server"));
  server_ = make::lineEdit(names::DatabaseServer, QStringLiteral("Server address"));
  server_->setPlaceholderText(QStringLiteral("postgresql://server.hospital.example/halcyra"));
  problem_ = new QLabel;
  problem_->setTextFormat(Qt::PlainText);  // the server library's own words
  problem_->setWordWrap(true);
  problem_->setStyleSheet(QStringLiteral("color: #b00000"));
  (server ? server_ : folder_)->setText(current);
  (server ? serverChoice_ : folderChoice_)->setChecked(true);

  auto* grid = new QGridLayout;
  grid->addWidget(folderChoice_, 0, 0, 1, 2);
  grid->addWidget(make::caption(QStringLiteral("Folder"), folder_), 1, 0);
  grid->addWidget(folder_, 1, 1);
  grid->addWidget(browse_, 1, 2);
  auto* folderHint =
      new QLabel(QStringLiteral("It holds the database file Brell_Data.db. Use a local disk: a "
                                "database file on a network share can be damaged."));
  folderHint->setWordWrap(true);
  grid->addWidget(folderHint, 2, 1, 1, 2);
  grid->addWidget(serverChoice_, 3, 0, 1, 2);
  grid->addWidget(make::caption(QStringLiteral("Address"), server_), 4, 0);
  grid->addWidget(server_, 4, 1, 1, 2);
  auto* serverHint = new QLabel(QStringLiteral(
      "postgresql://[user@]host[:port]/database. A server on another computer is reached over TLS with its "
      "identity checked (sslmode=verify-full: the hospital's certificate authority in ~/.postgresql/root.crt). "
      "No password here: it is asked when the program starts, or read from ~/.pgpass."));
  serverHint->setWordWrap(true);
  grid->addWidget(serverHint, 5, 1, 1, 2);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  auto* v = new QVBoxLayout(this);
  v->addLayout(grid);
  v->addWidget(problem_);
  v->addWidget(buttons);

  connect(browse_, &QPushButton::clicked, this, &DatabaseSettingDialog::chooseFolder);
  connect(folderChoice_, &QRadioButton::toggled, this, &DatabaseSettingDialog::follow);
  connect(buttons, &QDialogButtonBox::accepted, this, &DatabaseSettingDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &DatabaseSettingDialog::reject);
  follow();
}

void DatabaseSettingDialog::follow() {
  const bool folder = folderChoice_->isChecked();
  folder_->setEnabled(folder);
  browse_->setEnabled(folder);
  server_->setEnabled(!folder);
  problem_->clear();
}

void DatabaseSettingDialog::chooseFolder() {
  const QString chosen =
      QFileDialog::getExistingDirectory(this, QStringLiteral("Folder of the patient database"), folder_->text());
  if (!chosen.isEmpty()) folder_->setText(QDir::toNativeSeparators(chosen));
}

QString DatabaseSettingDialog::setting() const {
  if (folderChoice_->isChecked()) return QDir::fromNativeSeparators(folder_->text().trimmed());
  // Rebuilt from the client library's reading of the address, without any password in it.
  return records::parseStoreLocation(server_->text().trimmed()).setting;
}

void DatabaseSettingDialog::accept() {
  const QString problem = records::databaseSettingProblem(
      folderChoice_->isChecked() ? setting() : server_->text().trimmed(), !folderChoice_->isChecked());
  if (!problem.isEmpty()) {
    problem_->setText(problem);
    return;
  }
  QDialog::accept();
}

std::optional<QString> chooseDatabaseSetting(QWidget* parent, const QString& current, bool preferServer) {
  if (chooserHook()) return chooserHook()(parent, current, preferServer);
  DatabaseSettingDialog dialog(current, preferServer, parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.setting();
}

void setDatabaseSettingChooser(DatabaseSettingChooser chooser) { chooserHook() = std::move(chooser); }

}  // namespace ui
