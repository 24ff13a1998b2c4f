#pragma once
// The About tab: what the program is for, and the database directory. A double-click in the
// directory box applies the typed directory for this run; with Ctrl held it is also kept for the
// next start. The open connection is not touched: a changed directory counts from the next start.

#include <QWidget>

class QLabel;
class QLineEdit;

namespace ui {

class Actions;

class AboutTab : public QWidget {
  Q_OBJECT
 public:
  explicit AboutTab(Actions& actions, QWidget* parent = nullptr);

  // Shows the directory read at start-up, and below it a warning when it names a server over the
  // network with a weaker TLS mode than verify-full.
  void showDirectory(const QString& dir);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void directoryDoubleClicked(bool ctrlDown);

  Actions& actions_;
  QLineEdit* directory_;
  QLabel* tlsWarning_;
};

}  // namespace ui
