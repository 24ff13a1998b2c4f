// The arrangement of the main window: the schedule on the left, the top strip and the five tabs
// on the right. Only widgets are made here; behaviour is attached by the handlers.

#include <QButtonGroup>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include "dosing/CourseGraph.h"
#include "shell/ClickPanel.h"
#include "shell/DatePicker.h"
#include "shell/ScheduleGrid.h"
#include "shell/SkinU.h"

namespace {

template <class W>
W* named(W* w, const char* name) {
  w->setObjectName(QString::fromLatin1(name));
  return w;
}

// An input carries its label's text as its accessible name, so screen readers and automated use
// of the window find it by what the user sees.
template <class W>
W* input(W* w, const char* name, const QString& label) {
  named(w, name);
  w->setAccessibleName(label);
  return w;
}

QLineEdit* lineEdit(const char* name, const QString& label, int maxLength = 0) {
  auto* e = input(new QLineEdit, name, label);
  if (maxLength > 0) e->setMaxLength(maxLength);
  return e;
}

QComboBox* dropDown(const char* name, const QString& label, const QStringList& items, int tag) {
  auto* c = input(new QComboBox, name, label);
  c->addItems(items);
  c->setCurrentIndex(-1);
  c->setProperty("Tag", tag);
  return c;
}

DatePicker* datePicker(const char* name, const QString& label) { return input(new DatePicker, name, label); }

QFrame* panel(const char* name, QFrame::Shape shape = QFrame::NoFrame) {
  auto* f = named(new QFrame, name);
  f->setFrameShape(shape);
  return f;
}

QLabel* caption(const QString& text, QWidget* buddy = nullptr) {
  auto* l = new QLabel(text);
  if (buddy) l->setBuddy(buddy);
  return l;
}

QFont scaled(QFont f, double factor, bool bold = false) {
  f.setPointSizeF(f.pointSizeF() * factor);
  f.setBold(bold);
  return f;
}

}  // namespace

void TForm1::buildLayout() {
  setObjectName("Form1");
  setWindowTitle("Halcyra - NB UVB MED Calculator");

  // Left: the schedule.
  Panel1 = panel("Panel1");
  StringGrid1 = named(new ScheduleGrid, "StringGrid1");
  StringGrid1->setAccessibleName("Treatment schedule");
  StringGrid1->setEnabled(false);
  auto* left = new QVBoxLayout(Panel1);
  left->setContentsMargins(2, 2, 2, 2);
  left->addWidget(StringGrid1);
  Panel1->setMinimumWidth(100);

  // Right: the top strip and the tabs.
  Panel2 = panel("Panel2");
  Panel3 = panel("Panel3", QFrame::StyledPanel);
  Panel3->setFixedHeight(58);
  Label5 = named(new QLabel("Patient ID"), "Label5");
  Label5->setFont(scaled(Label5->font(), 1.8, true));
  // Texts that come from data (a long name) never widen the window: the label takes the room the
  // strip gives it.
  Label5->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  BtnPrint = named(new QPushButton("Print"), "BtnPrint");
  BtnPrint->setEnabled(false);
  BtnClear = named(new QPushButton("List"), "BtnClear");
  auto* strip = new QHBoxLayout(Panel3);
  strip->addWidget(Label5, 1);
  strip->addWidget(BtnPrint);
  strip->addWidget(BtnClear);

  PageControl1 = named(new QTabWidget, "PageControl1");
  TabClinical = buildClinicalTab();
  TabNotes = buildNotesTab();
  TabGraph = named(new QWidget, "TabGraph");
  CourseGraph1 = std::make_unique<dosing::CourseGraph>(TabGraph);
  Chart1 = CourseGraph1->view();
  auto* graphLayout = new QVBoxLayout(TabGraph);
  graphLayout->setContentsMargins(0, 0, 0, 0);
  graphLayout->addWidget(Chart1);
  TabAbout = buildAboutTab();
  TabImport = buildImportTab();
  PageControl1->addTab(TabClinical, "Clincial");
  PageControl1->addTab(TabNotes, "Notes");
  PageControl1->addTab(TabGraph, "Graph");
  PageControl1->addTab(TabAbout, "About");
  PageControl1->addTab(TabImport, "Bulk Import");

  auto* right = new QVBoxLayout(Panel2);
  right->setContentsMargins(0, 0, 0, 0);
  right->setSpacing(2);
  right->addWidget(Panel3);
  right->addWidget(PageControl1, 1);

  Splitter1 = named(new QSplitter(Qt::Horizontal), "Splitter1");
  Splitter1->setHandleWidth(5);
  Splitter1->addWidget(Panel1);
  Splitter1->addWidget(Panel2);
  Splitter1->setCollapsible(0, false);
  Splitter1->setCollapsible(1, false);
  Splitter1->setStretchFactor(1, 1);
  Splitter1->setSizes({440, 900});

  auto* whole = new QHBoxLayout(this);
  whole->setContentsMargins(0, 0, 0, 0);
  whole->addWidget(Splitter1);
  resize(1340, 700);
}

QWidget* TForm1::buildClinicalTab() {
  auto* tab = named(new QWidget, "TabClinical");
  auto* v = new QVBoxLayout(tab);
  v->setContentsMargins(2, 2, 2, 2);
  v->setSpacing(2);
  v->addWidget(buildTopStrip());
  PanDataBase = static_cast<QFrame*>(buildPatientList());
  PanDetails = static_cast<QFrame*>(buildDetails());
  v->addWidget(PanDataBase, 1);
  v->addWidget(PanDetails, 1);
  return tab;
}

QWidget* TForm1::buildTopStrip() {
  Panel9 = panel("Panel9", QFrame::StyledPanel);

  // Names and the patient's ID.
  Panel12 = panel("Panel12");
  EdFirst = lineEdit("EdFirst", "First name", 15);
  EdFirst->setProperty("Tag", 1);
  EdSecond = lineEdit("EdSecond", "Second name", 15);
  EdSecond->setProperty("Tag", 2);
  EdSurname = lineEdit("EdSurname", "Surname", 20);
  EdSurname->setProperty("Tag", 0);
  EdHosp = lineEdit("EdHosp", "NHI", 8);
  auto* names = new QGridLayout(Panel12);
  names->setContentsMargins(2, 2, 2, 2);
  names->setVerticalSpacing(2);
  names->addWidget(caption("Name", EdFirst), 0, 0);
  names->addWidget(EdFirst, 0, 1);
  names->addWidget(EdSecond, 0, 2);
  names->addWidget(caption("Surname", EdSurname), 1, 0);
  names->addWidget(EdSurname, 1, 1, 1, 2);
  names->addWidget(caption("NHI", EdHosp), 2, 0);
  names->addWidget(EdHosp, 2, 1);

  // Selection.
  Panel14 = panel("Panel14");
  GroupSelect = named(new QGroupBox, "GroupSelect");
  ChkPending = input(new QCheckBox("Pending"), "ChkPending", "Pending");
  ChkCurrent = input(new QCheckBox("Current"), "ChkCurrent", "Current");
  ChkComplete = input(new QCheckBox("Complete"), "ChkComplete", "Complete");
  for (QCheckBox* c : {ChkPending, ChkCurrent, ChkComplete}) c->setChecked(true);
  auto* g = new QVBoxLayout(GroupSelect);
  g->setContentsMargins(4, 2, 4, 2);
  g->setSpacing(0);
  g->addWidget(ChkPending);
  g->addWidget(ChkCurrent);
  g->addWidget(ChkComplete);
  BtnSelect = named(new QPushButton("Select"), "BtnSelect");
  CkBxNewCourse = input(new QCheckBox("New Course"), "CkBxNewCourse", "New Course");
  auto* sel = new QGridLayout(Panel14);
  sel->setContentsMargins(2, 0, 2, 0);
  sel->addWidget(GroupSelect, 0, 0, 2, 1);
  sel->addWidget(BtnSelect, 0, 1);
  sel->addWidget(CkBxNewCourse, 1, 1);

  // Birth date, age, language and telephones: shown while a patient is open.
  PanPhone = panel("PanPhone");
  DateBirth = datePicker("DateBirth", "DoB");
  DateBirth->setBlank(true);  // shows nothing until a birth date is entered
  EdAge = lineEdit("EdAge", "Age");
  EdAge->setMaximumWidth(60);
  ComboLang = dropDown("ComboLang", "Lang",
                       {"No Voice", "Arabic", "English", "French", "German", "Spanish", "Turkish", "Slovak"}, 3);
  ComboLang->setCurrentIndex(2);
  DBHome = lineEdit("DBHome", "Home", 10);
  DBCell = lineEdit("DBCell", "Cell", 10);
  DBwork = lineEdit("DBwork", "Work", 10);
  auto* ph = new QGridLayout(PanPhone);
  ph->setContentsMargins(2, 2, 2, 2);
  ph->setVerticalSpacing(2);
  ph->addWidget(caption("DoB", DateBirth), 0, 0);
  ph->addWidget(DateBirth, 0, 1);
  ph->addWidget(caption("Age", EdAge), 0, 2);
  ph->addWidget(EdAge, 0, 3);
  ph->addWidget(caption("Lang", ComboLang), 1, 0);
  ph->addWidget(ComboLang, 1, 1, 1, 3);
  ph->addWidget(caption("Home", DBHome), 0, 4);
  ph->addWidget(DBHome, 0, 5);
  ph->addWidget(caption("Cell", DBCell), 1, 4);
  ph->addWidget(DBCell, 1, 5);
  ph->addWidget(caption("Work", DBwork), 2, 4);
  ph->addWidget(DBwork, 2, 5);
  PanPhone->setVisible(false);

  auto* h = new QHBoxLayout(Panel9);
  h->setContentsMargins(2, 2, 2, 2);
  h->addWidget(Panel12);
  h->addWidget(Panel14);
  h->addWidget(PanPhone, 1);
  h->addStretch(0);
  return Panel9;
}

QWidget* TForm1::buildPatientList() {
  auto* p = panel("PanDataBase");
  DBNavigator1 = named(new QWidget, "DBNavigator1");
  DBNavigator1->setVisible(false);
  DBNavigator1->setEnabled(false);
  auto makeGrid = [](const char* name, const QString& label) {
    auto* t = input(new QTableView, name, label);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->verticalHeader()->setDefaultSectionSize(20);
    t->horizontalHeader()->setSectionsMovable(false);
    return t;
  };
  DBGrid1 = makeGrid("DBGrid1", "Patients");
  DBGrid2 = makeGrid("DBGrid2", "Courses");
  DBGrid3 = makeGrid("DBGrid3", "Photographs");
  auto* rightSplit = named(new QSplitter(Qt::Vertical), "SplitterCourses");
  rightSplit->addWidget(DBGrid2);
  rightSplit->addWidget(DBGrid3);
  auto* split = named(new QSplitter(Qt::Horizontal), "SplitterPatients");
  split->addWidget(DBGrid1);
  split->addWidget(rightSplit);
  split->setSizes({450, 450});
  auto* v = new QVBoxLayout(p);
  v->setContentsMargins(0, 0, 0, 0);
  v->addWidget(DBNavigator1);
  v->addWidget(split, 1);
  return p;
}

QWidget* TForm1::buildDetails() {
  auto* p = panel("PanDetails");
  auto* grid = new QGridLayout(p);
  grid->setContentsMargins(4, 4, 4, 4);
  grid->setHorizontalSpacing(10);
  grid->setVerticalSpacing(3);

  // Left column: skin type, condition, treatment, tone panels and MED, dates, people, memos.
  auto* leftBox = new QWidget;
  auto* left = new QGridLayout(leftBox);
  left->setContentsMargins(0, 0, 0, 0);
  left->setVerticalSpacing(3);
  ComSkinType = dropDown("ComSkinType", "Skin Type",
                         {"I    Always burns, never tans", "II   Always burns, sometimes tans",
                          "III  Sometimes burns, always tans", "IV  Never burns, always tans",
                          "V   Moderately pigmented", "VI  Black", "Agressive"}, 0);
  ComCondition = dropDown("ComCondition", "Condition", {"Flakey", "Scaley", "Red", "Pink"}, 0);
  DBTxType = dropDown("DBTxType", "Treatment", {"PUVA", "NB UVB - Low", "NB UVB - High", "Vitiligo UVB Low"}, 0);
  DBTxType->setEditable(true);
  DBTxType->lineEdit()->setMaxLength(20);
  DBTxType->setCurrentIndex(-1);
  ComSched = dropDown("ComSched", "Schedule", {"11011", "3/Week", "2/Week", "As Required"}, 1);
  int r = 0;
  left->addWidget(caption("Skin Type", ComSkinType), r, 0);
  left->addWidget(ComSkinType, r++, 1, 1, 3);
  left->addWidget(caption("Condition", ComCondition), r, 0);
  left->addWidget(ComCondition, r++, 1, 1, 3);
  left->addWidget(caption("Treatment", DBTxType), r, 0);
  left->addWidget(DBTxType, r, 1, 1, 2);
  left->addWidget(ComSched, r++, 3);

  Panel4 = named(new ClickPanel("Sensitive", QColor(238, 235, 227), 0), "Panel4");
  Panel5 = named(new ClickPanel("Average", QColor(206, 162, 102), 1), "Panel5");
  Panel6 = named(new ClickPanel("In-Sensitive", QColor(60, 0, 30), 2), "Panel6");
  Panel6->setTextColour(QColor(255, 251, 240));
  Label6 = named(new QLabel("**"), "Label6");
  Label7 = named(new QLabel("**"), "Label7");
  Label8 = named(new QLabel("**"), "Label8");
  DBEdMED = lineEdit("DBEdMED", "MED");
  auto* tones = new QGridLayout;
  tones->setHorizontalSpacing(4);
  tones->setVerticalSpacing(1);
  int c = 0;
  for (auto [panelW, label] : {std::pair{Panel4, Label6}, {Panel5, Label7}, {Panel6, Label8}}) {
    panelW->setEnabled(false);
    panelW->setMinimumSize(78, 30);
    label->setAlignment(Qt::AlignCenter);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);  // the panel above sets the width
    tones->addWidget(panelW, 0, c);
    tones->addWidget(label, 1, c++);
  }
  auto* medBox = new QVBoxLayout;
  auto* medCaption = caption("MED", DBEdMED);
  medCaption->setFont(scaled(medCaption->font(), 1.0, true));
  medBox->addWidget(medCaption);
  DBEdMED->setMaximumWidth(70);
  DBEdMED->setFont(scaled(DBEdMED->font(), 1.3, true));
  medBox->addWidget(DBEdMED);
  tones->addLayout(medBox, 0, c, 2, 1);
  left->addLayout(tones, r++, 0, 1, 4);

  DateAssess = datePicker("DateAssess", "Assessment");
  DateAssess->setBlank(true);  // shows nothing until a course with a date is loaded
  DBReferal = lineEdit("DBReferal", "Referred by", 25);
  DBDiag = dropDown("DBDiag", "Diagnosis", {"Psioriasis", "Vitiligo (Skin I)", "Eczema"}, 0);
  DBDiag->setEditable(true);
  DBDiag->lineEdit()->setMaxLength(20);
  DBDiag->setCurrentIndex(-1);
  DBConsult = lineEdit("DBConsult", "Therapist", 25);
  DBHist = lineEdit("DBHist", "Fam History", 30);
  left->addWidget(caption("Assessment", DateAssess), r, 0);
  left->addWidget(DateAssess, r, 1);
  left->addWidget(caption("Referred by", DBReferal), r, 2);
  left->addWidget(DBReferal, r++, 3);
  left->addWidget(caption("Diagnosis", DBDiag), r, 0);
  left->addWidget(DBDiag, r, 1);
  left->addWidget(caption("Therapist", DBConsult), r, 2);
  left->addWidget(DBConsult, r++, 3);
  left->addWidget(caption("Fam History", DBHist), r, 0);
  left->addWidget(DBHist, r++, 1, 1, 3);
  DBMemoMeds = input(new QPlainTextEdit, "DBMemoMeds", "Meds");
  DBMemoOps = input(new QPlainTextEdit, "DBMemoOps", "PMH major ops / illness");
  left->addWidget(caption("Meds", DBMemoMeds), r++, 0, 1, 4);
  left->addWidget(DBMemoMeds, r++, 0, 1, 4);
  left->addWidget(caption("PMH major ops / illness", DBMemoOps), r++, 0, 1, 4);
  left->addWidget(DBMemoOps, r++, 0, 1, 4);
  left->setRowStretch(r - 3, 1);
  left->setRowStretch(r - 1, 1);

  // Middle column: hair, eyes, skin colour and the contraindications.
  auto* midBox = new QWidget;
  auto* mid = new QVBoxLayout(midBox);
  mid->setContentsMargins(0, 0, 0, 0);
  mid->setSpacing(2);
  ComboHair = dropDown("ComboHair", "Hair", {"Red", "Blonde", "Lt Brown", "Dk Brown", "Black"}, 1);
  ComboEye = dropDown("ComboEye", "Eyes", {"Blue", "Green", "Hazel", "Brown"}, 0);
  ComboSkinCol = dropDown("ComboSkinCol", "Skin", {"Pale", "Beige", "Brown", "Black"}, 2);
  auto* looks = new QFormLayout;
  looks->addRow(caption("Hair", ComboHair), ComboHair);
  looks->addRow(caption("Eyes", ComboEye), ComboEye);
  looks->addRow(caption("Skin", ComboSkinCol), ComboSkinCol);
  mid->addLayout(looks);
  auto heading = [](const QString& text, bool underline) {
    auto* l = new QLabel(text);
    QFont f = l->font();
    f.setUnderline(underline);
    f.setBold(underline);
    l->setFont(f);
    return l;
  };
  const char* names[] = {nullptr, "CheckBox1", "CheckBox2", "CheckBox3", "CheckBox4", "CheckBox5", "CheckBox6"};
  const QString texts[] = {{}, "Previous Skin Cancer", "Multiple dysplastic naevi (moles)",
                           "HyperSensitivity to UV (eg albinism)", "Pregnant", "Photosensitising drugs",
                           "Claustrophobia"};
  for (int i = 1; i <= 6; ++i) {
    CheckBoxes[i] = input(new QCheckBox(texts[i]), names[i], texts[i]);
    CheckBoxes[i]->setProperty("Tag", 1 << (i - 1));
  }
  mid->addSpacing(8);
  mid->addWidget(heading("Contraindications", true));
  mid->addWidget(CheckBoxes[1]);
  mid->addWidget(CheckBoxes[2]);
  mid->addWidget(heading("Disease / Disorder causing", false));
  mid->addWidget(CheckBoxes[3]);
  mid->addSpacing(4);
  mid->addWidget(heading("Precautions", true));
  mid->addWidget(CheckBoxes[4]);
  mid->addWidget(CheckBoxes[5]);
  mid->addWidget(CheckBoxes[6]);
  mid->addSpacing(6);
  for (const char* line : {"IF ANY OF THE ABOVE", "PLEASE REFER TO POLICY"}) {
    auto* l = new QLabel(line);
    l->setFont(scaled(l->font(), 1.25, true));
    mid->addWidget(l);
  }
  mid->addStretch(1);

  // Right column: address, previous treatment, duration, result and the body outline.
  auto* rightBox = new QWidget;
  auto* rightCol = new QGridLayout(rightBox);
  rightCol->setContentsMargins(0, 0, 0, 0);
  rightCol->setVerticalSpacing(3);
  DBMemoAdd = input(new QPlainTextEdit, "DBMemoAdd", "Address");
  DBMemoAdd->setMaximumHeight(60);
  RadioPrevRx = named(new QGroupBox("Previous Rx"), "RadioPrevRx");
  RadioPrevRxGroup = new QButtonGroup(RadioPrevRx);
  auto* yes = input(new QRadioButton("Yes"), "RadioPrevRxYes", "Previous Rx: Yes");
  auto* no = input(new QRadioButton("No"), "RadioPrevRxNo", "Previous Rx: No");
  RadioPrevRxGroup->addButton(yes, 0);
  RadioPrevRxGroup->addButton(no, 1);
  auto* rb = new QHBoxLayout(RadioPrevRx);
  rb->setContentsMargins(6, 0, 6, 0);
  rb->addWidget(yes);
  rb->addWidget(no);
  DBEdLong = lineEdit("DBEdLong", "How long?", 20);
  DBRxResult = lineEdit("DBRxResult", "Result", 20);
  ImgPerson = input(new QLabel, "ImgPerson", "Body diagram");
  ImgPerson->setFixedSize(216, 263);
  ImgPerson->setFrameShape(QFrame::NoFrame);
  rightCol->addWidget(caption("Address", DBMemoAdd), 0, 0);
  rightCol->addWidget(DBMemoAdd, 0, 1);
  rightCol->addWidget(caption("HPS:"), 1, 0);
  rightCol->addWidget(RadioPrevRx, 1, 1);
  rightCol->addWidget(caption("How long?", DBEdLong), 2, 0);
  rightCol->addWidget(DBEdLong, 2, 1);
  rightCol->addWidget(caption("Result", DBRxResult), 3, 0);
  rightCol->addWidget(DBRxResult, 3, 1);
  rightCol->addWidget(ImgPerson, 4, 0, 1, 2, Qt::AlignLeft | Qt::AlignTop);
  rightCol->setRowStretch(5, 1);

  grid->addWidget(leftBox, 0, 0);
  grid->addWidget(midBox, 0, 1);
  grid->addWidget(rightBox, 0, 2);
  grid->setColumnStretch(0, 3);
  grid->setColumnStretch(1, 2);
  grid->setColumnStretch(2, 2);
  p->setVisible(false);
  return p;
}

QWidget* TForm1::buildNotesTab() {
  auto* tab = named(new QWidget, "TabNotes");
  Panel7 = panel("Panel7");
  Panel7->setFixedHeight(25);
  BitBtn4 = named(new QPushButton("X"), "BitBtn4");
  BitBtn4->setAccessibleName("Delete photograph");
  BitBtn4->setFont(scaled(BitBtn4->font(), 1.0, true));
  BitBtn4->setFixedWidth(28);
  UpDown1 = named(new QWidget, "UpDown1");
  UpDown1Prev = named(new QToolButton, "UpDown1Prev");
  UpDown1Prev->setArrowType(Qt::LeftArrow);
  UpDown1Prev->setAccessibleName("Previous photograph");
  UpDown1Next = named(new QToolButton, "UpDown1Next");
  UpDown1Next->setArrowType(Qt::RightArrow);
  UpDown1Next->setAccessibleName("Next photograph");
  auto* ud = new QHBoxLayout(UpDown1);
  ud->setContentsMargins(0, 0, 0, 0);
  ud->setSpacing(0);
  ud->addWidget(UpDown1Prev);
  ud->addWidget(UpDown1Next);
  UpDown1->setVisible(false);
  DBImageDate = datePicker("DBImageDate", "Photograph date");
  auto* top = new QHBoxLayout(Panel7);
  top->setContentsMargins(2, 0, 2, 0);
  top->addWidget(BitBtn4);
  top->addWidget(UpDown1);
  top->addWidget(DBImageDate);
  top->addStretch(1);
  DBMemo1 = input(new QPlainTextEdit, "DBMemo1", "Photograph note");
  DBMemo1->setMinimumHeight(40);
  Image1 = named(new QLabel, "Image1");
  Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Image1->setMinimumSize(100, 100);
  Splitter6 = named(new QSplitter(Qt::Vertical), "Splitter6");
  Splitter6->addWidget(DBMemo1);
  Splitter6->addWidget(Image1);
  Splitter6->setSizes({82, 500});
  Splitter6->setStretchFactor(1, 1);
  auto* v = new QVBoxLayout(tab);
  v->setContentsMargins(0, 0, 0, 0);
  v->setSpacing(0);
  v->addWidget(Panel7);
  v->addWidget(Splitter6, 1);
  return tab;
}

QWidget* TForm1::buildAboutTab() {
  auto* tab = named(new QWidget, "TabAbout");
  auto* v = new QVBoxLayout(tab);
  v->setContentsMargins(16, 16, 16, 16);
  auto* title = new QLabel("NB UVB MED Calculator. ");
  title->setFont(scaled(title->font(), 1.4, true));
  v->addWidget(title);
  v->addWidget(new QLabel("Provide guidance for UVB Skin treatment. Only use with qualified Medical Supervision."));
  v->addWidget(new QLabel(
      "The MED estimation is based on values in the  UVB_Factors.Dat file - Modification only possible with the UVB engineers App."));
  v->addSpacing(16);
  Panel11 = panel("Panel11", QFrame::Box);
  EdtDBDir = lineEdit("EdtDBDir", "Database Directory");
  EdtDBDir->setFixedWidth(540);
  EdtDBDir->setToolTip("Type the directory and double-click to use it now; hold Ctrl while double-clicking to keep it for the next start.");
  auto* box = new QVBoxLayout(Panel11);
  box->addWidget(caption("Database Directory", EdtDBDir));
  box->addWidget(EdtDBDir);
  Panel11->setMaximumWidth(580);
  v->addWidget(Panel11);
  v->addStretch(1);
  return tab;
}

QWidget* TForm1::buildImportTab() {
  auto* tab = named(new QWidget, "TabImport");
  BtnLoadALL = named(new QPushButton("Load Data", tab), "BtnLoadALL");
  BtnLoadALL->setGeometry(16, 16, 75, 25);
  ImportProgress = named(new QProgressBar(tab), "ImportProgress");
  ImportProgress->setGeometry(100, 18, 421, 21);
  ImportProgress->setAccessibleName("Import progress");
  ImportProgress->setFormat("%v of %m files");
  ImportProgress->setVisible(false);
  Memo2 = input(new QPlainTextEdit(tab), "Memo2", "Import log");
  Memo2->setGeometry(16, 47, 505, 505);
  Memo2->setReadOnly(true);
  return tab;
}
