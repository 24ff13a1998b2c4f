#pragma once
// What the window did with each request to close, for whoever runs the program with
// QT_LOGGING_RULES="halcyra.window.debug=true" (the end-to-end tests do): a close that seems to be
// ignored can then be placed between the window system, the toolkit and the window's own handler.

#include <QLoggingCategory>

class QWidget;

namespace ui {

Q_DECLARE_LOGGING_CATEGORY(windowLog)

// With the category's debug output on, logs every client message the window system sends the
// program (a request to close is one) and every close event `window`'s native window receives;
// otherwise does nothing.
void traceWindowCloses(QWidget* window);

}  // namespace ui
