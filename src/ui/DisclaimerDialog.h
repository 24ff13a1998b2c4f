#pragma once
// The disclaimer shown at every start. "Accept" (result 1) continues to the patient list;
// "Decline" or the close box (result 2) ends the program before any data is touched.

#include <QDialog>

class QPushButton;

class TNotice_Form : public QDialog {
  Q_OBJECT
 public:
  enum Result { Accepted = 1, Declined = 2 };
  explicit TNotice_Form(QWidget* parent = nullptr);

  QPushButton* BtnAccept;
  QPushButton* BtnDecline;

 public slots:
  void reject() override { done(Declined); }  // the close box declines
};

extern TNotice_Form* Notice_Form;
