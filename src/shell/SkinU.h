#pragma once
// The main window. It exists once and owns all state of the open course: the factor tables, the
// estimate and the plan, the 29 treatment records, the spots and the diagram picture. Its
// handlers live with the subsystem whose rules they apply; this class only declares them.

#include <QImage>
#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <vector>

#include "dosing/FactorTables.h"
#include "treatment/Condition.h"

class ClickPanel;
class DatePicker;
class QButtonGroup;
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

  // Body diagram.
  void ClearImage();
  void DrawSpots();

  // ---- state of the open course ----
  double FOld = 0;
  double OldMed = 0;
  double ScX = 0, ScY = 0;
  QImage Person_Img;
  bool MEDImport = false;
  FactorTables Factors;  // ESF, Lighter, Average, Darker, MED_Min, MED_Max, ..., Default_Format, Logo
  std::array<double, kTreatments + 1> ExpectDose{};     // rows 1..29
  std::array<TCondition, kTreatments + 1> Condition{};  // rows 1..29
  std::array<double, 6> LSkin{}, ASkin{}, DSkin{};
  int index = 0;
  int SkinIndex = 0;
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
  QWidget* Chart1;
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

  bool shown_ = false;
  HelpViewerFn helpViewer_;
  QPointer<QWidget> helpWindow_;
};

extern TForm1* Form1;
// The help file name given to the help service, followed directly by a topic.
extern const QString HelpFile;
