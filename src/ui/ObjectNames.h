#pragma once
// The object names of the windows and their widgets, as the program has always named them: every
// widget carries one as its objectName, so that a screen reader, an automated test or a support
// engineer finds it by the same name whatever the C++ member is called. Kept in one table.

namespace names {

// The main window and its frame.
inline constexpr char Form1[] = "Form1";
inline constexpr char Panel1[] = "Panel1";
inline constexpr char Splitter1[] = "Splitter1";
inline constexpr char StringGrid1[] = "StringGrid1";
inline constexpr char Panel2[] = "Panel2";
inline constexpr char Panel3[] = "Panel3";
inline constexpr char Label5[] = "Label5";
inline constexpr char BtnPrint[] = "BtnPrint";
inline constexpr char BtnClear[] = "BtnClear";
inline constexpr char PageControl1[] = "PageControl1";
inline constexpr char TabClinical[] = "TabClinical";
inline constexpr char TabNotes[] = "TabNotes";
inline constexpr char TabGraph[] = "TabGraph";
inline constexpr char TabAbout[] = "TabAbout";
inline constexpr char TabImport[] = "TabImport";

// The Clinical tab's top strip.
inline constexpr char Panel9[] = "Panel9";
inline constexpr char Panel12[] = "Panel12";
inline constexpr char EdFirst[] = "EdFirst";
inline constexpr char EdSecond[] = "EdSecond";
inline constexpr char EdSurname[] = "EdSurname";
inline constexpr char EdHosp[] = "EdHosp";
inline constexpr char Panel14[] = "Panel14";
inline constexpr char GroupSelect[] = "GroupSelect";
inline constexpr char ChkPending[] = "ChkPending";
inline constexpr char ChkCurrent[] = "ChkCurrent";
inline constexpr char ChkComplete[] = "ChkComplete";
inline constexpr char BtnSelect[] = "BtnSelect";
inline constexpr char CkBxNewCourse[] = "CkBxNewCourse";
inline constexpr char PanPhone[] = "PanPhone";
inline constexpr char DateBirth[] = "DateBirth";
inline constexpr char EdAge[] = "EdAge";
inline constexpr char ComboLang[] = "ComboLang";
inline constexpr char DBHome[] = "DBHome";
inline constexpr char DBCell[] = "DBCell";
inline constexpr char DBwork[] = "DBwork";

// The patient list.
inline constexpr char PanDataBase[] = "PanDataBase";
inline constexpr char DBGrid1[] = "DBGrid1";
inline constexpr char DBGrid2[] = "DBGrid2";
inline constexpr char DBGrid3[] = "DBGrid3";

// The assessment.
inline constexpr char PanDetails[] = "PanDetails";
inline constexpr char ComSkinType[] = "ComSkinType";
inline constexpr char ComCondition[] = "ComCondition";
inline constexpr char DBTxType[] = "DBTxType";
inline constexpr char ComSched[] = "ComSched";
inline constexpr char Panel4[] = "Panel4";
inline constexpr char Panel5[] = "Panel5";
inline constexpr char Panel6[] = "Panel6";
inline constexpr char Label6[] = "Label6";
inline constexpr char Label7[] = "Label7";
inline constexpr char Label8[] = "Label8";
inline constexpr char DBEdMED[] = "DBEdMED";
inline constexpr char DateAssess[] = "DateAssess";
inline constexpr char DBReferal[] = "DBReferal";
inline constexpr char DBDiag[] = "DBDiag";
inline constexpr char DBConsult[] = "DBConsult";
inline constexpr char DBHist[] = "DBHist";
inline constexpr char DBMemoMeds[] = "DBMemoMeds";
inline constexpr char DBMemoOps[] = "DBMemoOps";
inline constexpr char ComboHair[] = "ComboHair";
inline constexpr char ComboEye[] = "ComboEye";
inline constexpr char ComboSkinCol[] = "ComboSkinCol";
inline constexpr char CheckBox1[] = "CheckBox1";
inline constexpr char CheckBox2[] = "CheckBox2";
inline constexpr char CheckBox3[] = "CheckBox3";
inline constexpr char CheckBox4[] = "CheckBox4";
inline constexpr char CheckBox5[] = "CheckBox5";
inline constexpr char CheckBox6[] = "CheckBox6";
inline constexpr char DBMemoAdd[] = "DBMemoAdd";
inline constexpr char RadioPrevRx[] = "RadioPrevRx";
inline constexpr char DBEdLong[] = "DBEdLong";
inline constexpr char DBRxResult[] = "DBRxResult";
inline constexpr char ImgPerson[] = "ImgPerson";

// The Notes tab.
inline constexpr char Panel7[] = "Panel7";
inline constexpr char BitBtn4[] = "BitBtn4";
inline constexpr char UpDown1[] = "UpDown1";
inline constexpr char DBImageDate[] = "DBImageDate";
inline constexpr char DBMemo1[] = "DBMemo1";
inline constexpr char Splitter6[] = "Splitter6";
inline constexpr char Image1[] = "Image1";

// The Graph, About and Bulk Import tabs.
inline constexpr char Chart1[] = "Chart1";
inline constexpr char Panel11[] = "Panel11";
inline constexpr char EdtDBDir[] = "EdtDBDir";
inline constexpr char DatabaseTlsWarning[] = "DatabaseTlsWarning";
inline constexpr char BtnLoadALL[] = "BtnLoadALL";
inline constexpr char Memo2[] = "Memo2";

// The treatment entry dialog.
inline constexpr char Condition_Form[] = "Condition_Form";
inline constexpr char MaskTime[] = "MaskTime";
inline constexpr char EdTemp[] = "EdTemp";
inline constexpr char EdDose[] = "EdDose";
inline constexpr char MaskInit[] = "MaskInit";
inline constexpr char DateTimePicker1[] = "DateTimePicker1";
inline constexpr char BitBtn1[] = "BitBtn1";
inline constexpr char BitBtn2[] = "BitBtn2";
inline constexpr char BitBtn3[] = "BitBtn3";
inline constexpr char ChkStop[] = "ChkStop";
inline constexpr char PanelA[] = "PanelA";
inline constexpr char PanelB[] = "PanelB";
inline constexpr char PanelC[] = "PanelC";
inline constexpr char PanelD[] = "PanelD";
inline constexpr char PanelE[] = "PanelE";
inline constexpr char PanelF[] = "PanelF";
inline constexpr char PanelG[] = "PanelG";

// The disclaimer.
inline constexpr char Notice_Form[] = "Notice_Form";

// Widgets the program adds to the specified layout (their names are its own).
inline constexpr char SplitterPatients[] = "SplitterPatients";
inline constexpr char SplitterCourses[] = "SplitterCourses";
inline constexpr char RadioPrevRxYes[] = "RadioPrevRxYes";
inline constexpr char DemonstrationStrip[] = "DemonstrationStrip";
inline constexpr char CalibrationFile[] = "CalibrationFile";
inline constexpr char CalibrationSha256[] = "CalibrationSha256";
inline constexpr char RadioPrevRxNo[] = "RadioPrevRxNo";
inline constexpr char UpDown1Prev[] = "UpDown1Prev";
inline constexpr char UpDown1Next[] = "UpDown1Next";
inline constexpr char ImportProgress[] = "ImportProgress";
inline constexpr char BtnAccept[] = "BtnAccept";
inline constexpr char BtnDecline[] = "BtnDecline";
inline constexpr char NoticeIcon[] = "NoticeIcon";
inline constexpr char NoticeLine[] = "NoticeLine";  // followed by the line's number, 1..5
inline constexpr char HelpWindow[] = "HelpWindow";
inline constexpr char HelpBrowser[] = "HelpBrowser";
inline constexpr char LifetimeExposure[] = "LifetimeExposure";
inline constexpr char DatabaseSetting[] = "DatabaseSetting";
inline constexpr char DatabaseFolderChoice[] = "DatabaseFolderChoice";
inline constexpr char DatabaseFolder[] = "DatabaseFolder";
inline constexpr char DatabaseFolderBrowse[] = "DatabaseFolderBrowse";
inline constexpr char DatabaseServerChoice[] = "DatabaseServerChoice";
inline constexpr char DatabaseServer[] = "DatabaseServer";

// The department audit: the About tab's button and its dialog.
inline constexpr char BtnDepartmentAudit[] = "BtnDepartmentAudit";
inline constexpr char DepartmentAudit[] = "DepartmentAudit";
inline constexpr char AuditFrom[] = "AuditFrom";
inline constexpr char AuditTo[] = "AuditTo";
inline constexpr char AuditWorkOut[] = "AuditWorkOut";
inline constexpr char AuditProgress[] = "AuditProgress";
inline constexpr char AuditCancel[] = "AuditCancel";
inline constexpr char AuditStatus[] = "AuditStatus";
inline constexpr char AuditTabs[] = "AuditTabs";
inline constexpr char AuditFigures[] = "AuditFigures";
inline constexpr char AuditSkinTypes[] = "AuditSkinTypes";
inline constexpr char AuditBurnChart[] = "AuditBurnChart";
inline constexpr char AuditCourseChart[] = "AuditCourseChart";
inline constexpr char AuditGradeThree[] = "AuditGradeThree";
inline constexpr char AuditReviews[] = "AuditReviews";
inline constexpr char AuditExportPdf[] = "AuditExportPdf";
inline constexpr char AuditExportCsv[] = "AuditExportCsv";

}  // namespace names
