#include "toolkit/TestApp.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include "toolkit/Controls.h"
#include "toolkit/Forms.h"
#include "toolkit/QtGlue.h"

namespace TestApp {
namespace {
QApplication* app = nullptr;
}

void Init(int& argc, char** argv) {
  // Views that draw with the graphics card (web pages) share one context.
  if (app) return;
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  KeepLargeBlocksReturnable();
  app = new QApplication(argc, argv);
}

void Finish() {
  delete app;
  app = nullptr;
}

bool DropUrls(TWinControl* target, const std::vector<String>& urls) {
  QWidget* w = target ? target->Widget() : nullptr;
  if (!w) return false;
  QMimeData md;
  QList<QUrl> list;
  for (const String& u : urls) list.push_back(QUrl(tkqt::QStr(u)));
  md.setUrls(list);
  const QPoint at = w->rect().center();
  QDragEnterEvent enter(at, Qt::CopyAction, &md, Qt::LeftButton, Qt::NoModifier);
  enter.ignore();
  QCoreApplication::sendEvent(w, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(QPointF(at), Qt::CopyAction, &md, Qt::LeftButton, Qt::NoModifier);
  drop.ignore();
  QCoreApplication::sendEvent(w, &drop);
  return drop.isAccepted();
}
}  // namespace TestApp
