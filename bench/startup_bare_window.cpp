// The baseline of the start-up benchmark: the least a Qt Widgets program of this kind does before
// its first window is on the screen. A main window of the program's size is shown, then a message
// box over it, as the program shows its disclaimer.

#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <QTimer>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QMainWindow window;
  window.setWindowTitle(QStringLiteral("Bare window"));
  window.resize(1340, 700);
  window.show();
  QTimer::singleShot(0, &window, [&window] {
    QMessageBox::information(&window, QStringLiteral("Bare window"), QStringLiteral("Shown."));
  });
  return app.exec();
}
