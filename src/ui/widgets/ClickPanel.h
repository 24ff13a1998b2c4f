#pragma once
// A bordered box with a centred caption on its own background colour that reacts to a click:
// the tone panels of the estimate and the response and burn panels of the entry dialog.
//
// A panel may take the keyboard focus as well (setKeyboardChoice): it is then in the Tab order,
// shows a clear frame while it has the focus, and Space or Enter chooses it as a click does. Its
// key hint ("Alt+1") is shown small under the caption.

#include <QColor>
#include <QFrame>

class QLabel;

namespace ui {

class ClickPanel : public QFrame {
  Q_OBJECT
 public:
  ClickPanel(const QString& caption, QColor background, int tag, QWidget* parent = nullptr);

  int tag() const { return tag_; }
  QString caption() const;
  void setCaption(const QString& caption);
  void setBold(bool bold);
  bool isBold() const;
  void setTextColour(QColor colour);
  // In the Tab order, chosen by Space or Enter, with `hint` naming its key ("Alt+1").
  void setKeyboardChoice(const QString& hint);

 signals:
  void clicked(ClickPanel* panel);

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void applyColours();
  QLabel* label_;
  QLabel* hint_ = nullptr;
  QColor background_;
  QColor text_ = Qt::black;
  int tag_;
};

}  // namespace ui
