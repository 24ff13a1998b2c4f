#pragma once
// The disclaimer shown at every start. "Accept" (result 1) continues to the patient list;
// "Decline" or the close box (result 2) ends the program before any data is touched.

#include <QDialog>

class QPushButton;

namespace ui {

class DisclaimerDialog : public QDialog {
  Q_OBJECT
 public:
  enum Result { Accepted = 1, Declined = 2 };
  explicit DisclaimerDialog(QWidget* parent = nullptr);

  QPushButton* acceptButton;
  QPushButton* declineButton;

 public slots:
  void reject() override { done(Declined); }  // the close box declines
};

}  // namespace ui
