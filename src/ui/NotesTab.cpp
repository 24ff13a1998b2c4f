// The photographs of the open course: JPEG files dropped anywhere on the window, the Notes tab's
// browser (previous, next, delete), the photograph's date and its note. The wiring of the body
// diagram's and the Notes tab's widgets to their handlers is here as well.

#include <QApplication>
#include <QDateTimeEdit>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextDocument>
#include <QToolButton>
#include <QUrl>
#include <functional>

#include "diagram/Photographs.h"
#include "records/Data.h"
#include "records/DataError.h"
#include "base/AppState.h"
#include "shell/DatePicker.h"
#include "base/DateTime.h"
#include "shell/Dialogs.h"
#include "shell/SkinU.h"

using records::DataSet;

namespace {

// Runs a handler started by the user. A failure of the store, the codec or the file system ends
// the handler and is shown in an error box; the window goes on.
void runHandler(QWidget* parent, const std::function<void()>& handler) {
  try {
    handler();
  } catch (const records::DataError& e) {
    dialogs::error(parent, e.message());
  } catch (const std::exception& e) {
    dialogs::error(parent, QString::fromUtf8(e.what()));
  }
}

// An event filter given as a function of the event; it never swallows the event.
class EventHook : public QObject {
 public:
  EventHook(QObject* watched, std::function<void(QEvent*)> hook) : QObject(watched), hook_(std::move(hook)) {
    watched->installEventFilter(this);
  }
  bool eventFilter(QObject*, QEvent* event) override {
    hook_(event);
    return false;
  }

 private:
  std::function<void(QEvent*)> hook_;
};

QStringList localFiles(const QMimeData* mime) {
  QStringList paths;
  if (!mime || !mime->hasUrls()) return paths;
  for (const QUrl& url : mime->urls())
    if (url.isLocalFile()) paths << url.toLocalFile();
  return paths;
}

// The dropped files in the order the drop lists them. Files whose extension is not .JPG or .JPEG
// are passed over without a word, as are all files while no course is open. A file that cannot be
// added does not stop the others: the user gets one box naming every file that failed and why,
// and the photographs that were added stay.
void addDroppedFiles(TForm1& form, const QStringList& paths) {
  QStringList failures;
  int added = 0;
  for (const QString& path : paths) {
    if (!diagram::isPhotographFile(path) || AppState != PatientMode) continue;
    try {
      form.AddPhotographFile(path);
      ++added;
    } catch (const records::DataError& e) {
      failures << e.message();
    } catch (const std::exception& e) {
      failures << QString::fromUtf8(e.what());
    }
  }
  if (failures.isEmpty()) return;
  QString text = failures.size() == 1 ? QStringLiteral("A dropped file was not added as a photograph:\n\n")
                                      : QStringLiteral("%1 dropped files were not added as photographs:\n\n")
                                            .arg(failures.size());
  text += failures.join(QStringLiteral("\n\n"));
  text += QStringLiteral("\n\nCheck that the file is a complete JPEG photograph and drop it again.");
  if (added > 0)
    text += QStringLiteral(" The other %1 photograph%2 of the drop %3 added.")
                .arg(added)
                .arg(added == 1 ? "" : "s", added == 1 ? "was" : "were");
  dialogs::error(&form, text);
}

// Takes a drop of files and adds them once the drop is over, so that the file manager that sent
// them is not kept waiting while pictures are decoded or an error box is open.
void takeDrop(TForm1& form, QDropEvent* event) {
  const QStringList paths = localFiles(event->mimeData());
  if (paths.isEmpty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  QMetaObject::invokeMethod(&form, [&form, paths] { addDroppedFiles(form, paths); }, Qt::QueuedConnection);
}

void answerDrag(QDropEvent* event) {
  if (AppState == PatientMode && !localFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
  else event->ignore();
}

// Files dropped on a box that takes text drops of its own (the note, the name boxes) are
// photographs for the window all the same, not text to paste: the window answers them first.
class DropAnywhere : public QObject {
 public:
  explicit DropAnywhere(TForm1& form) : QObject(&form), form_(form) { qApp->installEventFilter(this); }
  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget == &form_ || widget->window() != &form_) return false;
    auto* drop = static_cast<QDropEvent*>(event);
    if (localFiles(drop->mimeData()).isEmpty()) return false;
    if (type == QEvent::Drop) takeDrop(form_, drop);
    else answerDrag(drop);
    return true;
  }

 private:
  TForm1& form_;
};

// A note being typed is stored before the photograph table moves or changes, so that it lands on
// its own photograph: the row is in edit since the note was entered, or the note was typed into
// again after an earlier move (the arrows leave the focus in the note).
void storePendingNote(TForm1& form) {
  TDataPatient& d = *DataPatient;
  if (AppState != PatientMode || !d.ADOImage.active() || d.ADOImage.isEmpty()) return;
  QTextDocument* note = form.DBMemo1->document();
  const bool editing = d.ADOImage.state() == DataSet::State::Edit;
  if (!editing && !note->isModified()) return;
  if (!editing) d.ADOImage.edit();
  d.ADOImageNoteMemo.setString(form.DBMemo1->toPlainText());
  d.ADOImage.post();
  note->setModified(false);
}

// The date picker and the note follow the current photograph; the program's own setting of the
// picker is not a change by the user and writes nothing.
void showPhotographDetails(TForm1& form) {
  TDataPatient& d = *DataPatient;
  {
    const QSignalBlocker quiet(form.DBImageDate);
    if (d.ADOImageWhenDate.isNull()) {
      form.DBImageDate->setBlank(true);
    } else {
      form.DBImageDate->setBlank(false);
      form.DBImageDate->setDateTime(datetime::toQDateTime(d.ADOImageWhenDate.asDateTime()));
    }
  }
  // A note still being typed (a re-read of the same photograph) keeps the typed text.
  QTextDocument* typed = form.DBMemo1->document();
  const bool typing = d.ADOImage.state() == DataSet::State::Edit || (form.DBMemo1->hasFocus() && typed->isModified());
  if (!typing) {
    const QString note = d.ADOImageNoteMemo.asString();
    if (form.DBMemo1->toPlainText() != note) form.DBMemo1->setPlainText(note);
    typed->setModified(false);
  }
  const int count = d.ADOImage.recordCount(), at = d.ADOImage.recNo();
  form.UpDown1Prev->setEnabled(at > 1);
  form.UpDown1Next->setEnabled(at < count);
}

}  // namespace

void TForm1::connectDiagramHandlers() {
  // The body diagram: a click is a press and a release of the left button on the picture; the
  // point is where the button was released. The picture is redrawn at the size it is shown at.
  new EventHook(ImgPerson, [this, pressed = false](QEvent* event) mutable {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
        pressed = static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
        break;
      case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint at = mouse->position().toPoint();
        const bool ctrl = mouse->modifiers() & Qt::ControlModifier;
        if (pressed && mouse->button() == Qt::LeftButton && ImgPerson->rect().contains(at))
          runHandler(this, [this, at, ctrl] { ImgPersonClick(at, ctrl); });
        pressed = false;
        break;
      }
      case QEvent::Resize:
        DrawSpots();
        break;
      default:
        break;
    }
  });

  // The Notes tab.
  connect(UpDown1Prev, &QToolButton::clicked, this, [this] { runHandler(this, [this] { UpDown1Click(false); }); });
  connect(UpDown1Next, &QToolButton::clicked, this, [this] { runHandler(this, [this] { UpDown1Click(true); }); });
  connect(BitBtn4, &QPushButton::clicked, this, [this] { runHandler(this, [this] { BitBtn4Click(); }); });
  connect(DBImageDate, &QDateTimeEdit::dateTimeChanged, this,
          [this] { runHandler(this, [this] { DBImageDateChange(); }); });
  Image1->setWordWrap(true);  // a photograph that cannot be shown says why in its place
  new DropAnywhere(*this);
}

void TForm1::attachPhotographs() {
  if (!DataPatient || photographSource_ == DataPatient) return;
  if (photographSource_) photographSource_->disconnect(this);
  photographSource_ = DataPatient;
  connect(DataPatient, &TDataPatient::photographToShow, this, [this](const QImage& picture, double) {
    // At the top-left corner, at its stored size; a row without a picture shows an empty area.
    if (picture.isNull()) Image1->clear();
    else Image1->setPixmap(QPixmap::fromImage(picture));
    showPhotographDetails(*this);
  });
  connect(DataPatient, &TDataPatient::photographFailed, this, [this](const QString& message) {
    Image1->clear();
    Image1->setText(message);
    showPhotographDetails(*this);
  });
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) { answerDrag(event); }

void TForm1::dropEvent(QDropEvent* event) { takeDrop(*this, event); }

void TForm1::AddPhotographFile(const QString& path) {
  const diagram::PhotographFile photograph = diagram::readPhotographFile(path);
  {
    const QSignalBlocker quiet(DBImageDate);
    DBImageDate->setBlank(false);
    DBImageDate->setDateTime(datetime::toQDateTime(photograph.whenDate));
  }
  storePendingNote(*this);
  DataPatient->AddImage(photograph.picture, photograph.whenDate);
  LoadImages();
}

void TForm1::LoadImages() {
  attachPhotographs();
  TDataPatient& d = *DataPatient;
  const int count = d.ADOImage.active() ? d.ADOImage.recordCount() : 0;
  const int notes = PageControl1->indexOf(TabNotes);
  if (count == 0) {
    PageControl1->setTabVisible(notes, false);
    Image1->clear();
    return;
  }
  PageControl1->setTabVisible(notes, true);
  d.ADOImageAfterScroll();
  UpDown1->setVisible(count > 1);
  UpDown1->setProperty("maximum", count);
}

void TForm1::UpDown1Click(bool next) {
  TDataPatient& d = *DataPatient;
  if (!d.ADOImage.active() || d.ADOImage.isEmpty()) return;
  storePendingNote(*this);
  const int count = d.ADOImage.recordCount(), at = d.ADOImage.recNo();
  if (next) {
    if (at < count) d.ADOImage.next();
  } else if (at > 1) {
    d.ADOImage.prior();
  }
}

void TForm1::DBImageDateChange() {
  if (AppState != PatientMode) return;
  TDataPatient& d = *DataPatient;
  if (!d.ADOImage.active() || d.ADOImage.isEmpty()) return;
  storePendingNote(*this);
  d.ADOImage.edit();
  try {
    d.ADOImageWhenDate.setDateTime(datetime::fromQDateTime(DBImageDate->dateTime()));
    d.ADOImage.post();
  } catch (...) {
    if (d.ADOImage.state() == DataSet::State::Edit) d.ADOImage.cancel();
    throw;
  }
}

void TForm1::BitBtn4Click() {
  TDataPatient& d = *DataPatient;
  if (!d.ADOImage.active() || d.ADOImage.isEmpty()) return;  // nothing to delete
  d.ADOImage.deleteRow();
  LoadImages();
}
