#pragma once
// Making the widgets of the panels: each gets its object name from ui/ObjectNames.h, and each
// input its label's text as its accessible name, so that screen readers and automated use of the
// window find it by what the user sees.

#include <QComboBox>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QString>
#include <QStringList>

#include "ui/widgets/DatePicker.h"
#include "ui/widgets/OneLineField.h"

namespace ui::make {

template <class W>
W* named(W* w, const char* name) {
  w->setObjectName(QString::fromLatin1(name));
  return w;
}

template <class W>
W* input(W* w, const char* name, const QString& label) {
  named(w, name);
  w->setAccessibleName(label);
  return w;
}

// A one-line box: a pasted line break or tab becomes a blank, and with `maxLength` (the width of
// its record's column) a text that does not fit is cut with a word to the user (OneLineField).
inline QLineEdit* lineEdit(const char* name, const QString& label, int maxLength = 0) {
  auto* e = input(new QLineEdit, name, label);
  new OneLineField(e, maxLength);
  return e;
}

// A box of several lines (an address, the medication, a photograph's note). Tab leaves it for the
// next field, as everywhere else in the window, rather than typing a tab into the record.
inline QPlainTextEdit* memo(const char* name, const QString& label) {
  auto* m = input(new QPlainTextEdit, name, label);
  m->setTabChangesFocus(true);
  return m;
}

// A drop-down list with no choice made.
inline QComboBox* dropDown(const char* name, const QString& label, const QStringList& items) {
  auto* c = input(new QComboBox, name, label);
  c->addItems(items);
  c->setCurrentIndex(-1);
  return c;
}

inline DatePicker* datePicker(const char* name, const QString& label) { return input(new DatePicker, name, label); }

inline QFrame* panel(const char* name, QFrame::Shape shape = QFrame::NoFrame) {
  auto* f = named(new QFrame, name);
  f->setFrameShape(shape);
  return f;
}

inline QLabel* caption(const QString& text, QWidget* buddy = nullptr) {
  auto* l = new QLabel(text);
  if (buddy) l->setBuddy(buddy);
  return l;
}

inline QFont scaled(QFont f, double factor, bool bold = false) {
  f.setPointSizeF(f.pointSizeF() * factor);
  f.setBold(bold);
  return f;
}

}  // namespace ui::make
