// The window that stands in for a control, on a real X display (ctest runs
// this under xvfb-run, see tests/CMakeLists.txt): shown anew, it lies just
// above its control's window, below a window of another program that lies
// over that one (a window mapped anew lies above every window of the screen).
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include <xcb/xcb.h>

#include "toolkit/ControlWindow.h"
#include "toolkit/Forms.h"
#include "toolkit/ToolkitTestUtil.h"

namespace {

// The windows of the screen, bottom to top.
std::vector<xcb_window_t> Stack() {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  xcb_connection_t* c = x11->connection();
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  std::vector<xcb_window_t> out;
  if (xcb_query_tree_reply_t* t = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr)) {
    const xcb_window_t* w = xcb_query_tree_children(t);
    out.assign(w, w + xcb_query_tree_children_length(t));
    std::free(t);
  }
  return out;
}

int Place(const std::vector<xcb_window_t>& stack, const QWidget* w) {
  const auto it = std::find(stack.begin(), stack.end(), xcb_window_t(w->winId()));
  return it == stack.end() ? -1 : int(it - stack.begin());
}

TEST(ControlWindowStackTest, AWindowShownAnewLiesJustAboveItsControlsWindow) {
  if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs an X display (ctest runs it under xvfb-run)";
  TForm form(nullptr);
  form.SetBorderStyle(bsNone);
  form.SetBounds(0, 0, 300, 200);
  TWinControl control(&form);
  control.SetParent(&form);
  control.SetBounds(10, 10, 200, 150);
  auto* content = new QWidget;
  tkqt::ControlWindow window(control.Widget(), content, true);
  form.Show();
  window.Follow();
  ASSERT_TRUE(pumpUntil([&] { return window.Shown(); }, 5000));
  // Another program's window comes over the form.
  QWidget other;
  other.setGeometry(0, 0, 300, 200);
  other.show();
  other.raise();
  ASSERT_TRUE(pumpUntil([&] {
    const std::vector<xcb_window_t> stack = Stack();
    return !stack.empty() && Place(stack, &other) == int(stack.size()) - 1;
  }, 5000));
  // The control hides and shows again: its window is shown anew.
  control.SetVisible(false);
  ASSERT_TRUE(pumpUntil([&] { return !window.Shown(); }, 5000));
  control.SetVisible(true);
  ASSERT_TRUE(pumpUntil([&] { return window.Shown(); }, 5000));
  const auto placed = [&] {
    const std::vector<xcb_window_t> stack = Stack();
    const int own = Place(stack, window.Window()), under = Place(stack, form.Widget()->window()),
              over = Place(stack, &other);
    return own > under && own < over;
  };
  EXPECT_TRUE(pumpUntil(placed, 5000)) << "the control's window does not lie between its form and the other window";
}

}  // namespace
