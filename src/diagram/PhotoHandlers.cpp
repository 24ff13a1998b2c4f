// The photographs of the open course: dropped JPEG files, the Notes tab's browser, date and note.

#include <QDragEnterEvent>
#include <QDropEvent>

#include "shell/SkinU.h"

void TForm1::connectDiagramHandlers() {}

void TForm1::dragEnterEvent(QDragEnterEvent* event) { QWidget::dragEnterEvent(event); }

void TForm1::dropEvent(QDropEvent* event) { QWidget::dropEvent(event); }
