#pragma once
// The program's help: pages shipped with the program, one per tab, shown in a help window by
// topic. It is asked for "<help file>::<topic>", e.g. "Halcyra.chm::Chart.htm".

#include <QString>
#include <QWidget>

class QTextBrowser;

namespace ui {

class HelpWindow : public QWidget {
  Q_OBJECT
 public:
  // Shows the topic in `existing` if it is still open, else in a new window; returns the window.
  static QWidget* showTopic(const QString& fileAndTopic, QWidget* existing);
  // The page name of "<file>::<page>": the part after "::" ("Chart.htm"), or "index.htm".
  static QString pageOf(const QString& fileAndTopic);

  explicit HelpWindow(QWidget* parent = nullptr);
  void showPage(const QString& page);

 private:
  QTextBrowser* browser_;
};

}  // namespace ui
