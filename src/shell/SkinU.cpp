#include "shell/SkinU.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include "base/Formats.h"
#include "dosing/CourseGraph.h"
#include "dosing/FactorFile.h"
#include "resources/Resources.h"
#include "base/AppState.h"
#include "shell/DatePicker.h"
#include "shell/Dialogs.h"
#include "shell/HelpWindow.h"
#include "shell/Notice.h"
#include "shell/ScheduleGrid.h"
#include "base/Settings.h"

TForm1* Form1 = nullptr;
TDataPatient* DataPatient = nullptr;
const QString HelpFile = QStringLiteral("Halcyra.chm");

TForm1::TForm1(QWidget* parent) : QWidget(parent) {
  buildLayout();
  for (QPushButton* button : {BtnPrint, BtnClear, BtnSelect})
    button->setIcon(QIcon(resources::buttonPicture(button->text())));
  EdtDBDir->installEventFilter(this);
  connectDosingHandlers();
  connectRecordHandlers();
  connectScheduleHandlers();
  connectDiagramHandlers();
  connectImportHandlers();
}

TForm1::~TForm1() {
  qApp->removeEventFilter(this);
  FormDestroy();
  if (Form1 == this) Form1 = nullptr;
}

bool TForm1::FormCreate() {
  Dosing.MEDImport = false;
  AppState = ListMode;

  // The calibration. Without it no estimate can be trusted, so the program does not go on.
  try {
    Dosing.tables = dosing::readFactorFile(QDir::current().absoluteFilePath(dosing::kFactorFileName));
  } catch (const std::exception& e) {
    dialogs::error(this, QString::fromUtf8(e.what()) +
                             "\n\nThe dose factor file \"UVB_Factors.Dat\" calibrates every MED estimate; "
                             "without it the program cannot work and will close. Place the file in the "
                             "program's start-up directory (" + QDir::toNativeSeparators(StartDir) +
                             ") and start again.");
    return false;
  }

  const QDateTime now = QDateTime::currentDateTime();
  DateAssess->setDateTime(now);
  DateBirth->setDateTime(now);

  // The schedule: headings, row numbers and 29 records not yet recorded.
  StringGrid1->setColumnWidth(0, 50);
  StringGrid1->setColumnWidth(1, 115);
  const char* headings[] = {"#", "", "Dose (mJ)", "Erythema", "% Inc", "Def %Inc"};
  for (int c = 0; c < ScheduleGrid::kColumns; ++c) StringGrid1->setCell(c, 0, headings[c]);
  for (int row = 1; row <= kTreatments; ++row) {
    StringGrid1->setCell(0, row, fmt::D(row));
    Condition[row] = TCondition{};
  }
  StringGrid1->setCurrentCell(4, 1);

  setAcceptDrops(true);            // photographs dropped from a file manager
  qApp->installEventFilter(this);  // key preview: F1 wherever the focus is in this window

  DrawSpots();
  ImgPerson->setCursor(resources::targetCursor());

  if (const auto dir = settings::readDBDir()) {
    DBDir = *dir;
    EdtDBDir->setText(DBDir);
  }

  PanDataBase->setVisible(true);
  PanDetails->setVisible(false);
  PanPhone->setVisible(false);
  return true;
}

void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!shown_) {
    shown_ = true;
    // The disclaimer comes once the window is on screen behind it.
    QMetaObject::invokeMethod(this, &TForm1::FormShow, Qt::QueuedConnection);
  }
}

void TForm1::FormShow() {
  PageControl1->setTabVisible(PageControl1->indexOf(TabNotes), false);
  if (Notice_Form && Notice_Form->exec() == TNotice_Form::Declined) close();
}

QString TForm1::helpTopic(int tabIndex) {
  static const char* topics[] = {"::Clinical.htm", "::Notes.htm", "::Chart.htm", "::About.htm", "::Import.htm"};
  if (tabIndex < 0 || tabIndex >= static_cast<int>(std::size(topics))) return "::Clinical.htm";
  return QString::fromLatin1(topics[tabIndex]);
}

void TForm1::FormKeyDown(int key) {
  if (key != Qt::Key_F1) return;
  const QString previous = QDir::currentPath();
  if (!QDir::setCurrent(StartDir)) {
    dialogs::error(this, "Help cannot be shown: the start-up directory \"" + QDir::toNativeSeparators(StartDir) +
                             "\" no longer exists or cannot be entered.");
    return;
  }
  showHelp(HelpFile + helpTopic(PageControl1->currentIndex()));
  QDir::setCurrent(previous);
}

void TForm1::showHelp(const QString& fileAndTopic) {
  if (helpViewer_) {
    helpViewer_(fileAndTopic);
    return;
  }
  helpWindow_ = HelpWindow::showTopic(fileAndTopic, helpWindow_);
}

void TForm1::EdtDBDirDblClick(bool ctrlDown) {
  DBDir = EdtDBDir->text();
  if (ctrlDown) settings::writeDBDir(DBDir);
}

void TForm1::onFocus(QWidget* widget, std::function<void()> entered, std::function<void()> left) {
  focusHandlers_[widget] = {std::move(entered), std::move(left)};
  widget->installEventFilter(this);
}

void TForm1::FormClose() { AppState = QuietMode; }

void TForm1::FormDestroy() {
  Person_Img = QImage();
  Dosing.tables.Logo = QImage();
}

void TForm1::closeEvent(QCloseEvent* event) {
  FormClose();
  if (helpWindow_) helpWindow_->close();
  QWidget::closeEvent(event);
}

void TForm1::keyPressEvent(QKeyEvent* event) { QWidget::keyPressEvent(event); }

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* w = qobject_cast<QWidget*>(watched);
    auto* key = static_cast<QKeyEvent*>(event);
    if (w && w->window() == this && key->key() == Qt::Key_F1 && !key->isAutoRepeat()) {
      FormKeyDown(Qt::Key_F1);
      return true;
    }
  }
  if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
    const auto it = focusHandlers_.constFind(watched);
    if (it != focusHandlers_.constEnd()) {
      const auto& handler = event->type() == QEvent::FocusIn ? it->entered : it->left;
      if (handler) handler();
    }
  }
  if (watched == EdtDBDir && event->type() == QEvent::MouseButtonDblClick) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    EdtDBDirDblClick(mouse->modifiers() & Qt::ControlModifier);
  }
  return QWidget::eventFilter(watched, event);
}
