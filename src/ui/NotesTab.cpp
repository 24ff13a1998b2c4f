#include "ui/NotesTab.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>

#include "base/DateTime.h"
#include "ui/Actions.h"
#include "ui/ObjectNames.h"
#include "ui/WidgetMaking.h"
#include "ui/widgets/DatePicker.h"

namespace ui {

NotesTab::NotesTab(course::OpenCourse& course, Actions& actions, QWidget* parent)
    : QWidget(parent), course_(course), actions_(actions) {
  setObjectName(names::TabNotes);
  build();
  connectHandlers();
}

void NotesTab::build() {
  auto* strip = make::panel(names::Panel7);
  strip->setFixedHeight(25);
  deleteButton_ = make::named(new QPushButton("X"), names::BitBtn4);
  deleteButton_->setAccessibleName("Delete photograph");
  deleteButton_->setFont(make::scaled(deleteButton_->font(), 1.0, true));
  deleteButton_->setFixedWidth(28);
  arrows_ = make::named(new QWidget, names::UpDown1);
  previous_ = make::named(new QToolButton, names::UpDown1Prev);
  previous_->setArrowType(Qt::LeftArrow);
  previous_->setAccessibleName("Previous photograph");
  next_ = make::named(new QToolButton, names::UpDown1Next);
  next_->setArrowType(Qt::RightArrow);
  next_->setAccessibleName("Next photograph");
  auto* arrows = new QHBoxLayout(arrows_);
  arrows->setContentsMargins(0, 0, 0, 0);
  arrows->setSpacing(0);
  arrows->addWidget(previous_);
  arrows->addWidget(next_);
  arrows_->setVisible(false);
  date_ = make::datePicker(names::DBImageDate, "Photograph date");
  auto* top = new QHBoxLayout(strip);
  top->setContentsMargins(2, 0, 2, 0);
  top->addWidget(deleteButton_);
  top->addWidget(arrows_);
  top->addWidget(date_);
  top->addStretch(1);

  note_ = make::memo(names::DBMemo1, "Photograph note");
  note_->setMinimumHeight(40);
  picture_ = make::named(new QLabel, names::Image1);
  picture_->setTextFormat(Qt::PlainText);  // a photograph that cannot be shown says why, as plain text
  picture_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  picture_->setMinimumSize(100, 100);
  picture_->setWordWrap(true);  // a photograph that cannot be shown says why in its place
  auto* splitter = make::named(new QSplitter(Qt::Vertical), names::Splitter6);
  splitter->addWidget(note_);
  splitter->addWidget(picture_);
  splitter->setSizes({82, 500});
  splitter->setStretchFactor(1, 1);
  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(0, 0, 0, 0);
  v->setSpacing(0);
  v->addWidget(strip);
  v->addWidget(splitter, 1);
}

void NotesTab::storeTypedNote() {
  if (!note_->document()->isModified()) return;
  course_.setPhotographNote(note_->toPlainText());
  note_->document()->setModified(false);
}

void NotesTab::connectHandlers() {
  // The arrows take no focus from the note: a note being typed goes with its own photograph.
  actions_.on(previous_, &QToolButton::clicked, [this] {
    storeTypedNote();
    course_.stepPhotograph(false);
  });
  actions_.on(next_, &QToolButton::clicked, [this] {
    storeTypedNote();
    course_.stepPhotograph(true);
  });
  actions_.on(deleteButton_, &QPushButton::clicked, [this] {
    // A note typed for the photograph deleted goes with it, not onto the next one.
    note_->document()->setModified(false);
    course_.deletePhotograph();
  });
  actions_.on(date_, &QDateTimeEdit::dateTimeChanged,
              [this] { course_.setPhotographDate(datetime::fromQDateTime(date_->dateTime())); });
  actions_.onLeave(note_, [this] {
    course_.setPhotographNote(note_->toPlainText());
    note_->document()->setModified(false);
  });
}

void NotesTab::refresh(course::Parts parts) {
  if (!(parts & (course::Part::Photographs | course::Part::Mode))) return;
  const QImage& picture = course_.photograph();
  if (!picture.isNull()) {
    picture_->setPixmap(QPixmap::fromImage(picture));  // at the top-left corner, at its stored size
  } else {
    picture_->clear();
    picture_->setText(course_.photographProblem());
  }
  {
    const course::ShownDate when = course_.photographDate();
    const QSignalBlocker quiet(date_);
    if (!when.blank) date_->setDateTime(datetime::toQDateTime(when.value));
    date_->setBlank(when.blank);
  }
  // A note being typed keeps what was typed until it is stored.
  if (!actions_.leaving(note_) && !(note_->hasFocus() && note_->document()->isModified())) {
    const QString stored = course_.photographNote();
    if (note_->toPlainText() != stored) {
      const QSignalBlocker quiet(note_);
      note_->setPlainText(stored);
    }
    note_->document()->setModified(false);
  }
  const int count = course_.photographCount(), at = course_.photographNumber();
  arrows_->setVisible(course_.photographsShown() && count > 1);
  previous_->setEnabled(at > 1);
  next_->setEnabled(at < count);
}

}  // namespace ui
