// Framed custom control: sunken client edge and scroll bars on Qt scroll-bar
// widgets that lie inside the control's own window.
#include "toolkit/ScrollCtrl.h"
#include "toolkit/StdWidgets_p.h"

#include <QPointer>
#include <QScrollBar>
#include <QWheelEvent>
#include <QWidget>

// Hands the wheel turned over a bar to the control, as the platform sends the
// wheel to the window under the bars.
class ScrollBarWheelFilter : public QObject {
 public:
  ScrollBarWheelFilter(QObject* parent, std::function<bool(QWheelEvent*)> f) : QObject(parent), f_(std::move(f)) {}
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Wheel) {
      f_(static_cast<QWheelEvent*>(e));
      e->accept();
      return true;
    }
    return QObject::eventFilter(o, e);
  }
 private:
  std::function<bool(QWheelEvent*)> f_;
};

struct TCustomScrollControl::Impl {
  QPointer<QScrollBar> bars[2];
  bool visible[2] = {false, false};
};

TCustomScrollControl::TCustomScrollControl(TComponent* AOwner) : TCustomControl(AOwner), impl_(std::make_unique<Impl>()) {
  for (TScrollBarKind k : {sbHorizontal, sbVertical}) {
    auto* sb = new stdctl::KeptScrollBar(k == sbHorizontal ? Qt::Horizontal : Qt::Vertical, widget_);
    sb->setFocusPolicy(Qt::NoFocus);
    sb->setTracking(false);
    sb->setSingleStep(1);
    sb->setRange(0, 0);
    sb->hide();
    impl_->bars[k] = sb;
    QObject::connect(sb, &QAbstractSlider::actionTriggered, sb, [this, k, sb](int action) {
      const int proposed = sb->sliderPosition();
      TScrollCode code;
      switch (action) {
        case QAbstractSlider::SliderSingleStepAdd: code = scLineDown; break;
        case QAbstractSlider::SliderSingleStepSub: code = scLineUp; break;
        case QAbstractSlider::SliderPageStepAdd: code = scPageDown; break;
        case QAbstractSlider::SliderPageStepSub: code = scPageUp; break;
        case QAbstractSlider::SliderToMinimum: code = scTop; break;
        case QAbstractSlider::SliderToMaximum: code = scBottom; break;
        case QAbstractSlider::SliderMove:
          if (!sb->isSliderDown()) {
            // The thumb was let go: it stays where the control put it.
            sb->setSliderPosition(bar(k).pos);
            return;
          }
          code = scTrack;
          break;
        default:
          return;
      }
      // The control decides where the bar goes; the dragged thumb follows
      // the mouse meanwhile.
      if (code != scTrack) sb->setSliderPosition(bar(k).pos);
      Dispatch([&] { ScrollBarCode(k, code, proposed); });
    });
    QObject::connect(sb, &QAbstractSlider::sliderReleased, sb, [this, k, sb] {
      const int p = sb->sliderPosition();
      Dispatch([&] {
        ScrollBarCode(k, scPosition, p);
        ScrollBarCode(k, scEndScroll, 0);
      });
    });
    sb->installEventFilter(new ScrollBarWheelFilter(sb, [this](QWheelEvent* we) {
      bool handled = false;
      if (!InputEnabled()) return handled;
      const int delta = we->angleDelta().y();
      Dispatch([&] { handled = DoMouseWheel(TShiftState(), delta, TPoint(-1, -1)); });
      return handled;
    }));
  }
}

TCustomScrollControl::~TCustomScrollControl() = default;

void TCustomScrollControl::SetClientEdge(bool v) {
  if (v == clientEdge_) return;
  clientEdge_ = v;
  layoutBars(true);
  Invalidate();
}

void TCustomScrollControl::SetHasScrollBars(bool horz, bool vert) {
  if (h_.has == horz && v_.has == vert) return;
  h_.has = horz;
  v_.has = vert;
  layoutBars(true);
}

bool TCustomScrollControl::wantsBar(TScrollBarKind k) const {
  const Bar& b = bar(k);
  if (!b.has) return false;
  return b.page > 0 ? b.max - b.min >= b.page : b.max > b.min;
}

bool TCustomScrollControl::ScrollBarVisible(TScrollBarKind k) const { return impl_->visible[k]; }

TPoint TCustomScrollControl::ClientOffset() const {
  const int e = clientEdge_ ? ClientEdgeSize : 0;
  return TPoint(e, e);
}

int TCustomScrollControl::ClientWidth() const {
  const int e = clientEdge_ ? ClientEdgeSize : 0;
  return std::max(0, Width() - 2 * e - (impl_->visible[sbVertical] ? ScrollBarSize : 0));
}

int TCustomScrollControl::ClientHeight() const {
  const int e = clientEdge_ ? ClientEdgeSize : 0;
  return std::max(0, Height() - 2 * e - (impl_->visible[sbHorizontal] ? ScrollBarSize : 0));
}

void TCustomScrollControl::syncBar(TScrollBarKind k) {
  QScrollBar* sb = impl_->bars[k];
  if (!sb) return;
  const Bar& b = bar(k);
  const QSignalBlocker block(sb);
  const int top = std::max(b.min, b.max - std::max(b.page - 1, 0));
  sb->setRange(b.min, top);
  sb->setPageStep(b.page > 0 ? b.page : 1);
  sb->setValue(b.pos);
  sb->setSliderPosition(b.pos);
}

void TCustomScrollControl::layoutBars(bool notify) {
  if (inLayout_) return;
  inLayout_ = true;
  const int oldW = ClientWidth(), oldH = ClientHeight();
  const bool oldH1 = impl_->visible[sbHorizontal], oldV1 = impl_->visible[sbVertical];
  impl_->visible[sbHorizontal] = wantsBar(sbHorizontal);
  impl_->visible[sbVertical] = wantsBar(sbVertical);
  const bool hv = impl_->visible[sbHorizontal], vv = impl_->visible[sbVertical];
  const int e = clientEdge_ ? ClientEdgeSize : 0;
  if (QScrollBar* sb = impl_->bars[sbVertical]) {
    sb->setGeometry(Width() - e - ScrollBarSize, e, ScrollBarSize, std::max(0, Height() - 2 * e - (hv ? ScrollBarSize : 0)));
    sb->setVisible(vv);
  }
  if (QScrollBar* sb = impl_->bars[sbHorizontal]) {
    sb->setGeometry(e, Height() - e - ScrollBarSize, std::max(0, Width() - 2 * e - (vv ? ScrollBarSize : 0)), ScrollBarSize);
    sb->setVisible(hv);
  }
  inLayout_ = false;
  if (hv != oldH1 || vv != oldV1) {
    if (widget_) widget_->update();
    // Children count from the client area, which may have moved.
    if (notify && (oldW != ClientWidth() || oldH != ClientHeight()) && !Destroying()) Resize();
  }
}

void TCustomScrollControl::Resize() {
  layoutBars(false);
  TCustomControl::Resize();
}

void TCustomScrollControl::SetScrollRange(TScrollBarKind k, int min, int max, bool redraw) {
  (void)redraw;
  Bar& b = bar(k);
  if (max < min) std::swap(min, max);
  if (b.min == min && b.max == max) return;
  b.min = min;
  b.max = max;
  b.pos = std::clamp(b.pos, b.min, std::max(b.min, b.max - std::max(b.page - 1, 0)));
  syncBar(k);
  layoutBars(true);
}

void TCustomScrollControl::SetScrollPos(TScrollBarKind k, int pos, bool redraw) {
  (void)redraw;
  Bar& b = bar(k);
  pos = std::clamp(pos, b.min, std::max(b.min, b.max - std::max(b.page - 1, 0)));
  if (pos == b.pos) return;
  b.pos = pos;
  syncBar(k);
}

void TCustomScrollControl::SetScrollPage(TScrollBarKind k, int page, bool redraw) {
  (void)redraw;
  Bar& b = bar(k);
  page = std::max(0, page);
  if (page == b.page) return;
  b.page = page;
  b.pos = std::clamp(b.pos, b.min, std::max(b.min, b.max - std::max(b.page - 1, 0)));
  syncBar(k);
  layoutBars(true);
}

void TCustomScrollControl::ScrollBarAction(TScrollBarKind k, TScrollCode code, int pos) {
  Dispatch([&] { ScrollBarCode(k, code, pos); });
}

void TCustomScrollControl::PaintNonClient() {
  TCanvas* c = PaintCanvas();
  if (clientEdge_) c->DrawSunkenEdge(Rect(0, 0, Width(), Height()));
  if (impl_->visible[sbHorizontal] && impl_->visible[sbVertical]) {
    // The corner between the two bars.
    const int e = clientEdge_ ? ClientEdgeSize : 0;
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(clBtnFace);
    c->FillRect(Rect(Width() - e - ScrollBarSize, Height() - e - ScrollBarSize, Width() - e, Height() - e));
  }
}
