#include "ui/WindowTrace.h"

#include <xcb/xcb.h>
#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

namespace ui {

Q_LOGGING_CATEGORY(windowLog, "halcyra.window", QtWarningMsg)

namespace {

QString modalWindowNow() {
  const QWindow* modal = QGuiApplication::modalWindow();
  return modal ? QStringLiteral("\"%1\"").arg(modal->title()) : QStringLiteral("none");
}

// Only looks: every message and event goes on as before. Owned by the window it watches; the
// toolkit forgets the native filter when it is destroyed.
class CloseTrace : public QObject, public QAbstractNativeEventFilter {
 public:
  explicit CloseTrace(QWidget* window) : QObject(window) {
    QCoreApplication::instance()->installNativeEventFilter(this);
    if (QWindow* native = window->windowHandle()) native->installEventFilter(this);
  }

  bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
    if (type != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE) return false;
    const auto* client = static_cast<const xcb_client_message_event_t*>(message);
    qCDebug(windowLog).nospace() << "client message to window 0x" << Qt::hex << client->window << ", first value "
                                 << Qt::dec << client->data.data32[0] << "; modal window: " << modalWindowNow();
    return false;
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Close)
      qCDebug(windowLog) << "close event at" << watched->metaObject()->className()
                         << "; modal window:" << modalWindowNow();
    return false;
  }
};

}  // namespace

void traceWindowCloses(QWidget* window) {
  if (windowLog().isDebugEnabled() && window) new CloseTrace(window);
}

}  // namespace ui
