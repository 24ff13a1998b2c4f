#pragma once
// The main window. It exists once and owns all state of the open course: the factor tables, the
// estimate and the plan, the 29 treatment records, the spots and the diagram picture. Its
// handlers live with the subsystem whose rules they apply; this class only declares them.

#include <QImage>
#include <QPoint>
#include <QPointer>
#include <QHash>
#include <QWidget>
#include <memory>
#include <array>
#include <functional>
#include <vector>

#include "dosing/DosingSession.h"
#include "dosing/FactorTables.h"
#include "treatment/Condition.h"

namespace dosing { class CourseGraph; }
class TDataPatient;

class ClickPanel;
class DatePicker;
class QButtonGroup;
class QDragEnterEvent;
class QDropEvent;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QTabWidget;
class QTableView;
class QToolButton;
class QProgressBar;
class ScheduleGrid;

// The help service: shows the page for "<help file>::<topic>". Replaceable for tests.
using HelpViewerFn = std::function<void(const QString& fileAndTopic)>;

class TForm1 : public QWidget {
  Q_OBJECT
 public:
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  // Start-up and shut-down.
  bool FormCreate();  // false when the dose factor file could not be read
  void FormShow();
  void FormKeyDown(int key);
  void EdtDBDirDblClick(bool ctrlDown);
  void FormClose();
  void FormDestroy();

  // Help.
  static QString helpTopic(int tabIndex);
  void setHelpViewer(HelpViewerFn viewer) { helpViewer_ = std::move(viewer); }

  // MED estimate and treatment plan.
  void ComSkinTypeChange();
  void UpDateMED();
  void ClearMED();
  void SetOld(double age);
  void EdAgeExit();
  void DateBirthEnter();
  void DateBirthChange();
  void PanelToneClk(ClickPanel* sender);
  void EdMEDChange();
  void EdMEDEnter();
  void EdMEDExit();

  // Patient lookup and selection (records/PatientHandlers.cpp).
  void EdHospChange();
  void EdNameChange(QLineEdit* sender);
  void EdNameExit(QLineEdit* sender);
  void BtnSelectClick();
  void BtnClearClick();
  void Clear();
  void LoadPatient();
  void LoadCourse();
  void DBGridEnter(QTableView* sender);

  // Clinical assessment (records/AssessmentHandlers.cpp).
  void ComboDBChange(QComboBox* sender);
  void ComCourseChange(QComboBox* sender);
  void DBDiagClick(QComboBox* sender);
  void DateAssessChange();
  void RadioPrevRxClick(int index);
  void DBStringExit(QLineEdit* sender);
  void DBMemoEdit(QPlainTextEdit* sender);
  void DBMemoPost(QPlainTextEdit* sender);
  void CheckBoxClick();
  void DBSaveChks();
  void DBLoadChks();
  // Shows the current rows' columns in the bound boxes and memos.
  void refreshBoundWidgets();
  // Binds the grids and the bound boxes to the data module's cursors, once it exists.
  void attachDataModule();

  // The 29 records and the increments in the open course row (treatment/CourseColumnsBinding.cpp).
  void DBSaveTable();
  void DBLoadTable();
  void DBSaveInc();
  void DBLoadInc();

  // The treatment schedule (treatment/ScheduleHandlers.cpp).
  // Returns whether the cell may become current (only column 4); columns 0 and 1 record a treatment.
  bool StringGrid1SelectCell(int column, int row);
  void StringGrid1KeyUp(int key);

  // Body diagram (diagram/DiagramHandlers.cpp).
  void ClearImage();
  void DrawSpots();
  void ImgPersonClick(QPoint clicked, bool ctrlDown);
  void DBSaveSpots();
  void DBLoadSpots();

  // Photographs (diagram/PhotoHandlers.cpp).
  void AddPhotographFile(const QString& path);
  void LoadImages();
  void UpDown1Click(bool next);
  void DBImageDateChange();
  void BitBtn4Click();
  // Connects the data module's photograph signals to Image1, DBImageDate and DBMemo1, once for
  // each data module (it is created after the window).
  void attachPhotographs();
  QPointer<QObject> photographSource_;

  // Legacy patient files (records/ImportHandlers.cpp).
  void BtnLoadALLClick();
  // Imports one file; true when its patient and course were stored, false when it was skipped
  // (the reason is logged in Memo2).
  bool ImportOld(const QString& path);

  // ---- state of the open course ----
  // The estimate and the plan: the factor tables (Dosing.tables), FOld, index, LSkin, ASkin,
  // DSkin, SkinIndex, OldMed, MEDImport and ExpectDose live in the dosing session, which holds
  // every rule about them; the handlers copy widget texts in and results out.
  dosing::DosingSession Dosing;
  const FactorTables& Factors() const { return Dosing.tables; }
  double ScX = 0, ScY = 0;
  QImage Person_Img;
  std::array<TCondition, kTreatments + 1> Condition{};  // rows 1..29; [0] unused
  int PgNum = 0, RxNum = 0;
  std::vector<QPoint> Spots;

  // ---- widgets, named as the program knows them ----
  // left: the schedule
  QFrame* Panel1;
  QSplitter* Splitter1;
  ScheduleGrid* StringGrid1;
  // right: top strip
  QFrame* Panel2;
  QFrame* Panel3;
  QLabel* Label5;
  QPushButton* BtnPrint;
  QPushButton* BtnClear;
  QTabWidget* PageControl1;
  QWidget* TabClinical;
  QWidget* TabNotes;
  QWidget* TabGraph;
  QWidget* TabAbout;
  QWidget* TabImport;
  // Clinical tab, top strip
  QFrame* Panel9;
  QFrame* Panel12;
  QLineEdit* EdFirst;
  QLineEdit* EdSecond;
  QLineEdit* EdSurname;
  QLineEdit* EdHosp;
  QFrame* Panel14;
  QGroupBox* GroupSelect;
  QCheckBox* ChkPending;
  QCheckBox* ChkCurrent;
  QCheckBox* ChkComplete;
  QPushButton* BtnSelect;
  QCheckBox* CkBxNewCourse;
  QFrame* PanPhone;
  DatePicker* DateBirth;
  QLineEdit* EdAge;
  QComboBox* ComboLang;
  QLineEdit* DBHome;
  QLineEdit* DBCell;
  QLineEdit* DBwork;
  // Clinical tab, patient list
  QFrame* PanDataBase;
  QWidget* DBNavigator1;
  QTableView* DBGrid1;
  QTableView* DBGrid2;
  QTableView* DBGrid3;
  // Clinical tab, assessment
  QFrame* PanDetails;
  QComboBox* ComSkinType;
  QComboBox* ComCondition;
  QComboBox* DBTxType;
  QComboBox* ComSched;
  ClickPanel* Panel4;
  ClickPanel* Panel5;
  ClickPanel* Panel6;
  QLabel* Label6;
  QLabel* Label7;
  QLabel* Label8;
  QLineEdit* DBEdMED;
  DatePicker* DateAssess;
  QLineEdit* DBReferal;
  QComboBox* DBDiag;
  QLineEdit* DBConsult;
  QLineEdit* DBHist;
  QPlainTextEdit* DBMemoMeds;
  QPlainTextEdit* DBMemoOps;
  QComboBox* ComboHair;
  QComboBox* ComboEye;
  QComboBox* ComboSkinCol;
  std::array<QCheckBox*, 7> CheckBoxes{};  // CheckBox1..CheckBox6 at 1..6
  QPlainTextEdit* DBMemoAdd;
  QGroupBox* RadioPrevRx;
  QButtonGroup* RadioPrevRxGroup;
  QLineEdit* DBEdLong;
  QLineEdit* DBRxResult;
  QLabel* ImgPerson;
  // Notes tab
  QFrame* Panel7;
  QPushButton* BitBtn4;
  QWidget* UpDown1;
  QToolButton* UpDown1Prev;
  QToolButton* UpDown1Next;
  DatePicker* DBImageDate;
  QPlainTextEdit* DBMemo1;
  QSplitter* Splitter6;
  QLabel* Image1;
  // Graph tab
  QWidget* Chart1;  // the view of CourseGraph
  std::unique_ptr<dosing::CourseGraph> CourseGraph1;
  // About tab
  QFrame* Panel11;
  QLineEdit* EdtDBDir;
  // Bulk Import tab
  QPushButton* BtnLoadALL;
  QPlainTextEdit* Memo2;
  QProgressBar* ImportProgress;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;  // photographs: diagram/PhotoHandlers.cpp
  void dropEvent(QDropEvent* event) override;

 private:
  void buildLayout();
  QWidget* buildClinicalTab();
  QWidget* buildTopStrip();
  QWidget* buildPatientList();
  QWidget* buildDetails();
  QWidget* buildNotesTab();
  QWidget* buildAboutTab();
  QWidget* buildImportTab();
  void showHelp(const QString& fileAndTopic);
  // Each subsystem attaches its handlers to the widgets in its own file.
  void connectDosingHandlers();
  void connectRecordHandlers();
  void connectAssessmentHandlers();
  void setRadioPrevRx(int index);  // -1 chooses neither answer
  void connectScheduleHandlers();
  void connectDiagramHandlers();
  void connectImportHandlers();
  void onFocus(QWidget* widget, std::function<void()> entered, std::function<void()> left);
  // The dosing session's grid columns and enabling, written into the widgets.
  void pullIncrements();
  void pushSchedule();
  void pushEstimate();
  void pushPlan();
  void storeAge();  // Old of the open course := FOld, saved and re-read
  QString comboText() const;

  struct FocusHandlers {
    std::function<void()> entered, left;
  };
  QHash<QObject*, FocusHandlers> focusHandlers_;
  bool medDetached_ = false;  // the MED box's changes do not run EdMEDChange (while it is typed in)

  bool shown_ = false;
  HelpViewerFn helpViewer_;
  QPointer<QWidget> helpWindow_;
};

extern TForm1* Form1;
// The data module, created after the main window (it connects to the directory the window read).
extern TDataPatient* DataPatient;
// The help file name given to the help service, followed directly by a topic.
extern const QString HelpFile;
