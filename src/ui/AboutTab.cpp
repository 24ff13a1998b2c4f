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
#include "ui/Actions.h"
#include "ui/DatabaseSetting.h"
#include "ui/ObjectNames.h"
#include "ui/WidgetMaking.h"

namespace ui {

AboutTab::AboutTab(Actions& actions, QWidget* parent) : QWidget(parent), actions_(actions) {
  setObjectName(names::TabAbout);
  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(16, 16, 16, 16);
  auto* title = new QLabel("NB UVB MED Calculator. ");
  title->setFont(make::scaled(title->font(), 1.4, true));
  v->addWidget(title);
  v->addWidget(new QLabel("Provide guidance for UVB Skin treatment. Only use with qualified Medical Supervision."));
  v->addWidget(new QLabel(
      "The MED estimation is based on values in the  UVB_Factors.Dat file - Modification only possible with the UVB engineers App."));
  v->addSpacing(16);
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
  frame->setMaximumWidth(580);
  v->addWidget(frame);
  v->addSpacing(16);
  auto* audit = make::named(new QPushButton("Department audit..."), names::BtnDepartmentAudit);
  audit->setToolTip("The department's figures of a period: burn rates, treatments per finished course and the "
                    "patients due a lifetime exposure review, with Export PDF and CSV.");
  connect(audit, &QPushButton::clicked, this, &AboutTab::departmentAuditClicked);
  auto* auditRow = new QHBoxLayout;
  auditRow->addWidget(audit);
  auditRow->addStretch(1);
  v->addLayout(auditRow);
  v->addStretch(1);
}

void AboutTab::showDirectory(const QString& dir) { directory_->setText(dir); }

bool AboutTab::eventFilter(QObject* watched, QEvent* event) {
  if (watched == directory_ && event->type() == QEvent::MouseButtonDblClick) {
    const bool ctrl = static_cast<QMouseEvent*>(event)->modifiers() & Qt::ControlModifier;
    actions_.run([this, ctrl] { directoryDoubleClicked(ctrl); });
  }
  return QWidget::eventFilter(watched, event);
}

void AboutTab::directoryDoubleClicked(bool ctrlDown) {
  if (!ctrlDown) {
    DBDir = directory_->text();  // used from now on; the next start reads the stored setting again
    return;
  }
  // Kept for the next start: a folder or the department's server, chosen in the setting's dialog.
  const std::optional<QString> chosen = chooseDatabaseSetting(this, directory_->text(), false);
  if (!chosen) return;
  DBDir = *chosen;
  directory_->setText(DBDir);
  settings::writeDBDir(DBDir);
}

}  // namespace ui
