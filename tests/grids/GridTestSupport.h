#pragma once
// Shared fixture of the grid tests: a shown form holding a draw grid whose
// cells are counted as they are drawn, and pictures of the grid taken the way
// the screen shows it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <functional>
#include <memory>

#include "grids/MyGrids.h"
#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"

// A draw grid whose count changes can be made to fail.
class TProbeGrid : public TMyDrawGrid {
 public:
  using TMyDrawGrid::TMyDrawGrid;
  bool failSizeChanged = false;
  int sizeChangedCalls = 0;
  using TMyCustomGrid::ModifyScrollBar;
  using TMyCustomGrid::MoveAdjust;
  using TMyCustomGrid::ResizeLines;
  using TMyCustomGrid::MoveCurrent;
  using TMyCustomGrid::ScrollPos;
  using TMyCustomGrid::ScrollMax;
  using TMyCustomGrid::State;
  using TMyCustomGrid::InplaceEditor;
  using TMyCustomGrid::UpdateScrollRange;
 protected:
  void SizeChanged(int OldColCount, int OldRowCount) override {
    ++sizeChangedCalls;
    if (failSizeChanged) throw EInvalidGridOperation("refused");
    TMyDrawGrid::SizeChanged(OldColCount, OldRowCount);
  }
};

inline void pump(int rounds = 5) {
  for (int i = 0; i < rounds; ++i) QApplication::processEvents();
}

template <class G>
struct GridFormT {
  std::unique_ptr<TForm> form;
  G* grid = nullptr;
  int drawn = 0;
  explicit GridFormT(int clientW = 400, int clientH = 300, TScrollStyle bars = ssNone) {
    form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, clientW + 40, clientH + 40);
    grid = new G(form.get());
    grid->SetParent(form.get());
    grid->SetScrollBars(bars);
    grid->SetBounds(0, 0, clientW + 4, clientH + 4);   // 2-pixel client edge
    grid->OnDrawCell = [this](TObject*, int, int, TRect, TGridDrawState) { ++drawn; };
    form->Show();
    grid->SetFocus();
    pump();
  }
  // The grid as the screen shows it.
  std::unique_ptr<TBitmap> shot() {
    auto b = std::make_unique<TBitmap>(grid->Width(), grid->Height());
    grid->PaintTo(b->Canvas(), 0, 0);
    return b;
  }
  // Colour at a client point of a picture.
  static TColor px(const std::unique_ptr<TBitmap>& b, int x, int y) { return b->Canvas()->Pixel(x + 2, y + 2); }
  // Counts DrawCell calls of the paints that the queue has waiting.
  int paintsNow() {
    drawn = 0;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    pump();
    return drawn;
  }
  void key(int qtKey, Qt::KeyboardModifiers m = Qt::NoModifier, const QString& text = QString()) {
    QWidget* w = QApplication::focusWidget();
    if (!w) w = grid->Widget();
    QKeyEvent press(QEvent::KeyPress, qtKey, m, text);
    QCoreApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, qtKey, m, text);
    QCoreApplication::sendEvent(w, &release);
  }
  // Mouse events at client coordinates of the grid (or of another widget).
  void mouse(QEvent::Type t, int x, int y, QWidget* target = nullptr, Qt::KeyboardModifiers m = Qt::NoModifier) {
    QWidget* w = target ? target : grid->Widget();
    const QPointF p = target ? QPointF(x, y) : QPointF(x + 2, y + 2);
    const Qt::MouseButtons held = t == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(t, p, p, w->mapToGlobal(p), Qt::LeftButton, held, m);
    QCoreApplication::sendEvent(w, &e);
  }
};

using GridForm = GridFormT<TProbeGrid>;
