#pragma once
// The About tab: what the program is for, and the database directory. A double-click in the
// directory box applies the typed directory for this run; with Ctrl held it is also kept for the
// next start. The open connection is not touched: a changed directory counts from the next start.
// "Department audit..." opens the department's audit of a period (the main window opens it).

#include <QWidget>

class QLineEdit;

namespace ui {

class Actions;

class AboutTab : public QWidget {
  Q_OBJECT
 public:
  explicit AboutTab(Actions& actions, QWidget* parent = nullptr);

  // Shows the directory read at start-up.
  void showDirectory(const QString& dir);

 signals:
  void departmentAuditClicked();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void directoryDoubleClicked(bool ctrlDown);

  Actions& actions_;
  QLineEdit* directory_;
};

}  // namespace ui
