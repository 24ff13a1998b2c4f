// Program entry: the windows and the data module come into being in a fixed order, because each
// relies on what the one before it set up (the main window reads the database directory that the
// data module then connects to).

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "resources/Resources.h"
#include "records/Data.h"
#include "base/AppState.h"
#include "shell/DatabaseStartup.h"
#include "shell/Notice.h"
#include "shell/SkinU.h"
#include "treatment/ConditionForm.h"

int main(int argc, char** argv) {
  StartDir = QDir::currentPath();  // before any window exists

  QApplication app(argc, argv);
  QApplication::setApplicationName("NB UVB Calculator");
  QApplication::setOrganizationName("Venmore");
  QGuiApplication::setDesktopFileName("halcyra");
  QApplication::setWindowIcon(resources::programIcon());

  TForm1 form;
  Form1 = &form;
  if (!form.FormCreate()) return 1;  // no calibration: the reason was shown

  TCondition_Form conditionForm(&form);
  Condition_Form = &conditionForm;

  TDataPatient data;
  DataPatient = &data;
  data.firstName = [&form] { return form.EdFirst->text(); };
  data.secondName = [&form] { return form.EdSecond->text(); };
  data.log = [&form](const QString& line) { form.Memo2->appendPlainText(line); };
  connectDataModule(data, &form);
  form.attachDataModule();

  TNotice_Form notice(&form);
  Notice_Form = &notice;

  form.show();
  const int result = app.exec();
  Notice_Form = nullptr;
  DataPatient = nullptr;
  Condition_Form = nullptr;
  return result;
}
