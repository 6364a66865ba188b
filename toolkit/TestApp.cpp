#include "toolkit/TestApp.h"
#include <QApplication>

namespace TestApp {
void Init(int& argc, char** argv) {
  static QApplication* app = nullptr;
  if (!app) app = new QApplication(argc, argv);
}
}  // namespace TestApp
