#pragma once
// The About tab: what the program is for, the calibration in use, and the database directory. A
// double-click in the directory box applies the typed directory for this run; with Ctrl held it is
// also kept for the next start. The box follows the program's database setting, whoever changes it. The open connection is not touched: a changed directory counts
// from the next start.
//
// The calibration is named by the full path of the dose factor file read at start and the SHA-256
// of its bytes, so that a clinical engineer can tell which calibration a workstation uses (and
// compare it with the one that was checked) without opening the file. "Department audit..." opens the
// department's audit of a period (the main window opens it).

#include <QWidget>

#include "base/Directories.h"

class QLabel;
class QLineEdit;
struct FactorTables;

namespace ui {

class Actions;

class AboutTab : public QWidget {
  Q_OBJECT
 public:
  // Shows `database` and follows its changes; it must outlive the tab.
  AboutTab(Actions& actions, settings::DatabaseSetting& database, QWidget* parent = nullptr);

  // Shows the calibration read at start-up.
  void showCalibration(const FactorTables& calibration);

 signals:
  void departmentAuditClicked();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void directoryDoubleClicked(bool ctrlDown);
  // Shows the database setting, and below it a warning when it names a server over the network
  // with a weaker TLS mode than verify-full.
  void showDirectory(const QString& dir);

  Actions& actions_;
  settings::DatabaseSetting& database_;
  QLineEdit* directory_;
  QLabel* tlsWarning_;
  QLineEdit* calibrationFile_;
  QLineEdit* calibrationSha256_;
  QLabel* calibrationNote_;  // shown for a demonstration calibration
};

}  // namespace ui
