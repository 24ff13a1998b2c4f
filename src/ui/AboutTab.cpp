#include "ui/AboutTab.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/Directories.h"
#include "base/Settings.h"
#include "dosing/CalibrationCheck.h"
#include "dosing/FactorTables.h"
#include "records/StoreLocation.h"
#include "ui/Actions.h"
#include "ui/DatabaseSetting.h"
#include "ui/ObjectNames.h"
#include "ui/WidgetMaking.h"

namespace ui {

AboutTab::AboutTab(Actions& actions, settings::DatabaseSetting& database, QWidget* parent)
    : QWidget(parent), actions_(actions), database_(database) {
  setObjectName(names::TabAbout);
  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(16, 16, 16, 16);
  auto* title = new QLabel("NB UVB MED Calculator. ");
  title->setFont(make::scaled(title->font(), 1.4, true));
  v->addWidget(title);
  v->addWidget(new QLabel("Provide guidance for UVB Skin treatment. Only use with qualified Medical Supervision."));
  v->addWidget(
      new QLabel("The MED estimation is based on values in the  UVB_Factors.Dat file - Modification only possible with "
                 "the UVB engineers App."));
  v->addSpacing(16);
  // The calibration in use: which file, and which bytes.
  auto* calibration = new QFrame;
  calibration->setFrameShape(QFrame::Box);
  calibration->setMaximumWidth(580);
  auto* calibrationBox = new QVBoxLayout(calibration);
  calibrationFile_ = make::lineEdit(names::CalibrationFile, "Dose factor file");
  calibrationSha256_ = make::lineEdit(names::CalibrationSha256, "SHA-256");
  for (QLineEdit* e : {calibrationFile_, calibrationSha256_}) {
    e->setReadOnly(true);
    e->setFixedWidth(540);
  }
  calibrationBox->addWidget(make::caption("Dose factor file", calibrationFile_));
  calibrationBox->addWidget(calibrationFile_);
  calibrationBox->addWidget(make::caption("SHA-256", calibrationSha256_));
  calibrationBox->addWidget(calibrationSha256_);
  calibrationNote_ = new QLabel(dosing::kDemonstrationWarning);
  calibrationNote_->setStyleSheet(QStringLiteral("color: #c80000; font-weight: bold"));
  calibrationNote_->hide();
  calibrationBox->addWidget(calibrationNote_);
  v->addWidget(calibration);
  v->addSpacing(8);
  auto* frame = make::panel(names::Panel11, QFrame::Box);
  directory_ = make::lineEdit(names::EdtDBDir, "Database Directory");
  directory_->setFixedWidth(540);
  directory_->setToolTip(
      "Type the directory and double-click to use it now; hold Ctrl while double-clicking to choose a folder or the "
      "department's database server and keep it for the next start.");
  directory_->installEventFilter(this);
  auto* box = new QVBoxLayout(frame);
  box->addWidget(make::caption("Database Directory", directory_));
  box->addWidget(directory_);
  tlsWarning_ = new QLabel;
  tlsWarning_->setObjectName(names::DatabaseTlsWarning);
  tlsWarning_->setWordWrap(true);
  tlsWarning_->setStyleSheet(QStringLiteral("color: #b00000"));
  tlsWarning_->setVisible(false);
  box->addWidget(tlsWarning_);
  frame->setMaximumWidth(580);
  v->addWidget(frame);
  v->addSpacing(16);
  auto* audit = make::named(new QPushButton("Department audit..."), names::BtnDepartmentAudit);
  audit->setToolTip(
      "The department's figures of a period: burn rates, treatments per finished course and the "
      "patients due a lifetime exposure review, with Export PDF and CSV.");
  connect(audit, &QPushButton::clicked, this, &AboutTab::departmentAuditClicked);
  auto* auditRow = new QHBoxLayout;
  auditRow->addWidget(audit);
  auditRow->addStretch(1);
  v->addLayout(auditRow);
  v->addStretch(1);

  if (!database_.value().isEmpty()) showDirectory(database_.value());
  connect(&database_, &settings::DatabaseSetting::changed, this, &AboutTab::showDirectory);
}

void AboutTab::showDirectory(const QString& dir) {
  directory_->setText(dir);
  const QString warning = records::parseStoreLocation(dir).tlsWarning();
  tlsWarning_->setText(warning);
  tlsWarning_->setVisible(!warning.isEmpty());
}

void AboutTab::showCalibration(const FactorTables& calibration) {
  calibrationFile_->setText(calibration.SourcePath);
  calibrationNote_->setVisible(calibration.Demonstration);
  calibrationFile_->setCursorPosition(0);
  calibrationSha256_->setText(calibration.SourceSha256);
  calibrationSha256_->setCursorPosition(0);
}

bool AboutTab::eventFilter(QObject* watched, QEvent* event) {
  if (watched == directory_ && event->type() == QEvent::MouseButtonDblClick) {
    const bool ctrl = static_cast<QMouseEvent*>(event)->modifiers() & Qt::ControlModifier;
    actions_.run([this, ctrl] { directoryDoubleClicked(ctrl); });
  }
  return QWidget::eventFilter(watched, event);
}

void AboutTab::directoryDoubleClicked(bool ctrlDown) {
  if (!ctrlDown) {
    database_.set(directory_->text());  // used from now on; the next start reads the stored setting again
    return;
  }
  // Kept for the next start: a folder or the department's server, chosen in the setting's dialog.
  const std::optional<QString> chosen = chooseDatabaseSetting(this, directory_->text(), false);
  if (!chosen) return;
  database_.set(*chosen);
  showDirectory(*chosen);  // also when the same setting was chosen again over an edited box
  settings::writeDBDir(*chosen);
}

}  // namespace ui
