// The Flash control: a surface widget over the control catches the mouse
// and turns it into messages for the control's message procedure.
#include "platform/flash/ShockwaveFlash.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QWidget>

void TNoFlashPlayer::Paint(TCanvas* Canvas, const TRect& R, TColor Background) {
  Canvas->Brush()->SetStyle(bsSolid);
  Canvas->Brush()->SetColor(Background);
  Canvas->FillRect(R);
}

// Lies over the whole control; it paints nothing (the control shows through)
// and eats every mouse event it turns into a message.
class FlashSurface : public QWidget {
 public:
  FlashSurface(TShockwaveFlash* c, QWidget* parent) : QWidget(parent), ctrl(c) {
    setMouseTracking(true);
    setAttribute(Qt::WA_NoSystemBackground);
    setContextMenuPolicy(Qt::PreventContextMenu);
  }
  TShockwaveFlash* ctrl;

 protected:
  void send(uint32_t msg, const QPoint& p) {
    if (!ctrl || ctrl->Destroying()) return;
    TShockwaveFlash* c = ctrl;
    DispatchEvent([&] { c->Perform(msg, 0, MakeMousePos(p.x(), p.y())); });
  }
  static uint32_t downMsg(Qt::MouseButton b) {
    return b == Qt::LeftButton ? WM_LBUTTONDOWN : b == Qt::RightButton ? WM_RBUTTONDOWN : 0;
  }
  void mousePressEvent(QMouseEvent* e) override {
    if (uint32_t m = downMsg(e->button())) send(m, e->position().toPoint());
    e->accept();
  }
  void mouseDoubleClickEvent(QMouseEvent* e) override { mousePressEvent(e); }
  void mouseReleaseEvent(QMouseEvent* e) override {
    if (uint32_t m = downMsg(e->button())) send(m + 1, e->position().toPoint());
    e->accept();
  }
  void mouseMoveEvent(QMouseEvent* e) override {
    send(WM_MOUSEMOVE, e->position().toPoint());
    e->accept();
  }
  void leaveEvent(QEvent*) override { send(WM_MOUSELEAVE, QPoint(0, 0)); }
  void contextMenuEvent(QContextMenuEvent* e) override { e->accept(); }
};

TShockwaveFlash::TShockwaveFlash(TComponent* AOwner)
    : TCustomControl(AOwner), player_(MakeFlashPlayer()) {
  surface_ = new FlashSurface(this, Widget());
  SetBounds(0, 0, 192, 192);
  surface_->show();
  player_->SetHost(this);
}

TShockwaveFlash::~TShockwaveFlash() {
  if (surface_) surface_->ctrl = nullptr;
  player_->SetHost(nullptr);
}

void TShockwaveFlash::SetMovie(const String& v) {
  player_->SetMovie(v);
  Invalidate();
}

void TShockwaveFlash::SetPlayer(std::unique_ptr<IFlashPlayer> p) {
  if (player_) player_->SetHost(nullptr);
  player_ = p ? std::move(p) : std::make_unique<TNoFlashPlayer>();
  player_->SetHost(this);
  Invalidate();
}

intptr_t TShockwaveFlash::Perform(uint32_t Msg, uintptr_t WParam, intptr_t LParam) {
  TFlashMessage m{Msg, WParam, LParam, 0};
  WndProc(m);
  return m.Result;
}

void TShockwaveFlash::WndProc(TFlashMessage& Message) {
  switch (Message.Msg) {
    case WM_MOUSEMOVE: case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_RBUTTONDOWN: case WM_RBUTTONUP:
    case WM_MOUSELEAVE:
      player_->MouseMessage(Message);
      break;
    default:
      break;
  }
}

void TShockwaveFlash::SetBounds(int l, int t, int w, int h) {
  TCustomControl::SetBounds(l, t, w, h);
  if (surface_) surface_->setGeometry(0, 0, std::max(0, Width()), std::max(0, Height()));
}

void TShockwaveFlash::Paint() { player_->Paint(Canvas(), ClientRect(), Color()); }
