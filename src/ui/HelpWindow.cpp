#include "ui/HelpWindow.h"

#include <QPointer>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "resources/Resources.h"
#include "ui/ObjectNames.h"

namespace ui {

QString HelpWindow::pageOf(const QString& fileAndTopic) {
  const int at = fileAndTopic.indexOf("::");
  const QString page = at < 0 ? QString() : fileAndTopic.mid(at + 2);
  return page.isEmpty() ? QStringLiteral("index.htm") : page;
}

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window), browser_(new QTextBrowser(this)) {
  setObjectName(names::HelpWindow);
  setWindowTitle("NB UVB Calculator Help");
  setAttribute(Qt::WA_DeleteOnClose);
  browser_->setObjectName(names::HelpBrowser);
  browser_->setOpenLinks(false);
  connect(browser_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) { showPage(url.fileName()); });
  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(0, 0, 0, 0);
  v->addWidget(browser_);
  resize(640, 600);
}

void HelpWindow::showPage(const QString& page) {
  QString html = resources::helpPage("::" + page);
  if (html.isEmpty()) html = resources::helpPage("::index.htm");
  browser_->setHtml(html);
}

QWidget* HelpWindow::showTopic(const QString& fileAndTopic, QWidget* existing) {
  auto* window = qobject_cast<HelpWindow*>(existing);
  if (!window) window = new HelpWindow;
  window->showPage(pageOf(fileAndTopic));
  window->show();
  window->raise();
  window->activateWindow();
  return window;
}

}  // namespace ui
