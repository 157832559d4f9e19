// The yardstick for Cadrorpt's unattended start-to-exit time: a Qt Widgets program that shows a
// main window and ends.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QMainWindow window;
  window.show();
  window.close();
  return 0;
}
