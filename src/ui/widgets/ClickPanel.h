#pragma once
// A bordered box with a centred caption on its own background colour that reacts to a click:
// the tone panels of the estimate and the response and burn panels of the entry dialog.

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

 signals:
  void clicked(ClickPanel* panel);

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void applyColours();
  QLabel* label_;
  QColor background_;
  QColor text_ = Qt::black;
  int tag_;
};

}  // namespace ui
