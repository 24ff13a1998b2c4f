#include "ui/DisclaimerDialog.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/ObjectNames.h"

namespace ui {

DisclaimerDialog::DisclaimerDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName(names::Notice_Form);
  setWindowTitle(" ");  // no caption
  setModal(true);

  auto* heading = new QLabel("Notice:");
  QFont big = heading->font();
  big.setPointSizeF(big.pointSizeF() * 2.2);
  big.setBold(true);
  heading->setFont(big);
  auto* icon = new QLabel;
  icon->setObjectName(names::NoticeIcon);
  icon->setPixmap(QApplication::windowIcon().pixmap(48, 48));
  icon->setAlignment(Qt::AlignRight | Qt::AlignTop);
  auto* top = new QHBoxLayout;
  top->addWidget(heading, 1, Qt::AlignLeft | Qt::AlignBottom);
  top->addWidget(icon, 0, Qt::AlignRight | Qt::AlignTop);

  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(24, 16, 24, 16);
  v->addLayout(top);
  v->addSpacing(8);
  const char* lines[] = {
      "No Responsibility for the care of the patient will be held by the developers of this program, ",
      "rather full responsibilty remains with the Qualified Health Professional caring for the patient.",
      "The algorithm employed to give a suggested MED does not know the full health status",
      "of the patient, and thus the MED prescribed assumes the blessing of the Qualified Health",
      "Professional issuing the script.",
  };
  int n = 1;
  for (const char* line : lines) {
    auto* l = new QLabel(QString::fromLatin1(line));
    l->setObjectName(QLatin1String(names::NoticeLine) + QString::number(n++));
    v->addWidget(l);
  }
  v->addSpacing(12);
  acceptButton = new QPushButton("Accept");
  acceptButton->setObjectName(names::BtnAccept);
  declineButton = new QPushButton("Decline");
  declineButton->setObjectName(names::BtnDecline);
  connect(acceptButton, &QPushButton::clicked, this, [this] { done(Accepted); });
  connect(declineButton, &QPushButton::clicked, this, [this] { done(Declined); });
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(acceptButton);
  buttons->addWidget(declineButton);
  v->addLayout(buttons);
  declineButton->setDefault(true);
  setFixedSize(sizeHint());
}

}  // namespace ui
