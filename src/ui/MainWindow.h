#pragma once
// The main window: the schedule on the left; on the right the top strip (the patient's name,
// "Print", "List") over five tabs (Clinical, Notes, Graph, About, Bulk Import). It composes the
// panels, each of which builds its own widgets and shows the open course, and routes what belongs
// to the whole window: F1 help for the active tab, files dropped anywhere on it, and closing.

#include <QPointer>
#include <QWidget>
#include <functional>
#include <vector>

#include "base/Directories.h"
#include "course/OpenCourse.h"

class QDragEnterEvent;
class QDropEvent;
class QPushButton;
class QTabWidget;

namespace ui {

class AboutTab;
class CourseView;
class Actions;
class AssessmentPanel;
class BodyDiagramPanel;
class DepartmentAuditDialog;
class DisclaimerDialog;
class EstimatePanel;
class GraphTab;
class ImportTab;
class NotesTab;
class PatientListPanel;
class PatientLookupPanel;
class ReportPrinting;
class SchedulePanel;

// The help service: shows the page for "<help file>::<topic>". Replaceable for tests.
using HelpViewer = std::function<void(const QString& fileAndTopic)>;
// The help file name given to the help service, followed directly by a topic.
inline const QString kHelpFile = QStringLiteral("Halcyra.chm");

class MainWindow : public QWidget {
  Q_OBJECT
 public:
  // Whether the constructor builds the panels and the disclaimer follows the window's showing, or
  // the panels wait for buildContents() and the disclaimer for showDisclaimerSoon(): the program's
  // start shows the bare window first, so that it is on the screen at once, fills it, connects to
  // the store (whose boxes then come over the whole window), and only then shows the disclaimer.
  enum class Contents { Now, AfterShow };

  // Makes the window over `course` and reads the stored database setting into `database` (the
  // course connects to it afterwards, see ui/Startup.h). `startDir` is the folder the program was
  // started from: the dose factor file and the help are found there. `database` must outlive it.
  MainWindow(course::OpenCourse& course, settings::DatabaseSetting& database, QString startDir,
             Contents contents = Contents::Now, QWidget* parent = nullptr);
  // Builds the panels and shows the course in them; once only.
  void buildContents();
  // Shows the disclaimer once the program waits for events again.
  void showDisclaimerSoon();
  ~MainWindow() override;

  Actions& actions() const { return *actions_; }
  DisclaimerDialog& disclaimer() const { return *disclaimer_; }
  ReportPrinting& printing() const { return *printing_; }

  // The help topic of a tab of the page control, by its position.
  static QString helpTopic(int tabIndex);
  void setHelpViewer(HelpViewer viewer) { helpViewer_ = std::move(viewer); }

  // Files dropped on the window: the photographs among them are added to the open course once the
  // drop is over.
  void takeDroppedFiles(const QStringList& paths);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void buildLayout();
  QWidget* buildClinicalTab();
  void refresh(course::Parts parts);
  void showDisclaimer();
  void showNotesTab(bool shown);
  // Where the keyboard goes when a course opens or the list comes back.
  void moveKeyboardWith(course::Mode mode);
  void showHelp();
  void addDroppedFiles(const QStringList& paths);
  bool acceptsDrop(const QDropEvent* event) const;
  // "Department audit..." on the About tab: the audit's window, or the one already open brought up.
  void openDepartmentAudit();

  course::OpenCourse& course_;
  Actions* actions_;
  SchedulePanel* schedule_ = nullptr;
  PatientLookupPanel* lookup_;
  std::vector<CourseView*> panels_;  // every panel that shows the open course
  PatientListPanel* patientList_;
  EstimatePanel* estimate_;
  BodyDiagramPanel* diagram_;
  AssessmentPanel* assessment_;
  NotesTab* notes_;
  GraphTab* graph_;
  AboutTab* about_;
  ImportTab* import_;
  QPushButton* printButton_;
  ReportPrinting* printing_;
  QTabWidget* tabs_;
  QWidget* clinical_;
  DisclaimerDialog* disclaimer_ = nullptr;
  bool shown_ = false;
  bool disclaimerOnShow_;
  bool busy_ = false;
  course::Mode shownMode_ = course::Mode::List;  // the busy cursor is up while the patient list is read
  HelpViewer helpViewer_;
  settings::DatabaseSetting& database_;
  const QString startDir_;
  QPointer<QWidget> helpWindow_;
  QPointer<DepartmentAuditDialog> auditDialog_;
};

}  // namespace ui
