// Control base classes on Qt widgets. Every control owns one widget: a plain
// painted one (ControlWidgetBridge) or a special one handed over by a
// subclass. Widget events reach the control's virtuals through Dispatch, so an
// exception from a handler is shown and never unwinds into Qt.
#include "toolkit/Controls.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>
#include <QVariant>
#include <QWheelEvent>
#include <QWidget>
#include <algorithm>
#include <cstdio>

#include "toolkit/Forms.h"
#include "toolkit/Menus.h"
#include "toolkit/QtGlue.h"
#include "toolkit/Log.h"

using namespace tkqt;

void DispatchEvent(const std::function<void()>& f) {
  try {
    f();
  } catch (...) {
    if (Application) {
      Application->HandleException(nullptr);
    } else {
      try {
        throw;
      } catch (const std::exception& e) {
        LogFailure("tablo.toolkit", e.what());
      } catch (...) {
        LogFailure("tablo.toolkit", "unknown exception");
      }
    }
  }
}

// The link between a widget and its control. A control deleted while one of
// its widget's events is being handled clears the link; the widget goes away
// once the event has returned.
struct ControlLink {
  TControl* ctrl = nullptr;
  int busy = 0;
};

static const char* kLinkProperty = "tk_control_link";

static ControlLink* linkOf(const QWidget* w) {
  if (!w) return nullptr;
  QVariant v = w->property(kLinkProperty);
  return v.isValid() ? reinterpret_cast<ControlLink*>(v.value<quintptr>()) : nullptr;
}

TControl* tkqt::ControlOf(const QWidget* w) {
  ControlLink* l = linkOf(w);
  return l ? l->ctrl : nullptr;
}

// The client area's offset inside a control's window.
static QPoint clientOffset(const TControl* c) {
  const TPoint o = c->ClientOffset();
  return QPoint(o.X, o.Y);
}

// Event filter of a special widget handed over by SetWidget.
class ControlEventFilter : public QObject {
 public:
  ControlEventFilter(QWidget* w, TControl* c) : QObject(w), widget(w) { link.ctrl = c; }
  bool eventFilter(QObject* o, QEvent* e) override;
  QWidget* widget;
  ControlLink link;
  bool resending = false;
};

class ControlWidgetBridge : public QWidget {
 public:
  explicit ControlWidgetBridge(TControl* c) {
    link.ctrl = c;
    setProperty(kLinkProperty, QVariant::fromValue(quintptr(&link)));
    setMouseTracking(true);
    setAttribute(Qt::WA_InputMethodEnabled, false);
  }
  ~ControlWidgetBridge() override { setProperty(kLinkProperty, QVariant()); }

  ControlLink link;
  bool clicked = false;
  QImage buffer;

  // Shared by the bridge and the filter: handles one event for the control;
  // true when the event must not go on to the widget.
  static bool handle(ControlLink* L, QWidget* w, QEvent* e, bool own, ControlEventFilter* filter);
  static void paint(ControlWidgetBridge* self, QPaintEvent* e);
  static void run(ControlLink* L, const std::function<void(TControl*)>& f) {
    // A control on its way out hears nothing more: its handlers may belong to
    // a part of the object that is already gone.
    if (!L->ctrl || L->ctrl->Destroying()) return;
    ++L->busy;
    TControl* c = L->ctrl;
    DispatchEvent([&] { f(c); });
    --L->busy;
  }
  static bool keyEvent(ControlLink* L, QWidget* w, QKeyEvent* e, bool own, ControlEventFilter* filter);

 protected:
  bool event(QEvent* e) override {
    if (handle(&link, this, e, true, nullptr)) return true;
    return QWidget::event(e);
  }
  void paintEvent(QPaintEvent* e) override { paint(this, e); }
  // Keys reaching a painted control stop here (they do not travel on to the
  // parent's widget).
  void keyPressEvent(QKeyEvent* e) override { e->accept(); }
  void keyReleaseEvent(QKeyEvent* e) override { e->accept(); }
};

bool ControlEventFilter::eventFilter(QObject* o, QEvent* e) {
  if (o != widget) return false;
  if (resending) return false;
  return ControlWidgetBridge::handle(&link, widget, e, false, this);
}

static TMouseButton mouseButton(Qt::MouseButton b) {
  switch (b) {
    case Qt::RightButton: return mbRight;
    case Qt::MiddleButton: return mbMiddle;
    default: return mbLeft;
  }
}

bool ControlWidgetBridge::keyEvent(ControlLink* L, QWidget* w, QKeyEvent* e, bool own, ControlEventFilter* filter) {
  auto* wc = dynamic_cast<TWinControl*>(L->ctrl);
  if (!wc) return false;
  // A key that a child's widget did not want travels on to its parent's
  // widget; the parent's handlers only hear keys meant for it.
  if (own) {
    QWidget* fw = QApplication::focusWidget();
    if (fw && fw != w) return false;
  }
  TShiftState s = ShiftState(e->modifiers());
  uint16_t vk = VirtualKey(e->key(), e->modifiers());
  TCustomForm* form = GetParentForm(wc);
  TWinControl* preview = (form && form != wc && form->KeyPreview()) ? static_cast<TWinControl*>(form) : nullptr;
  bool eaten = false;
  if (e->type() == QEvent::KeyRelease) {
    if (!vk) return false;
    uint16_t k = vk;
    run(L, [&](TControl*) {
      if (preview) preview->KeyUp(k, s);
      if (k && L->ctrl) wc->KeyUp(k, s);
    });
    return k == 0 && !own;
  }
  if (vk && e->nativeVirtualKey() != PostedCharMark) {
    uint16_t k = vk;
    run(L, [&](TControl*) {
      if (preview) preview->KeyDown(k, s);
      if (k && L->ctrl) wc->KeyDown(k, s);
    });
    if (k == 0) eaten = true;
  }
  // Tab that the control's key handlers left is the form's: it moves the
  // focus (Qt's own handling, once this returns) and never arrives as a
  // character, except in an editor that takes it as text.
  const bool tabMovesFocus = vk == VK_TAB && !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
                             !w->inherits("QTextEdit") && !w->inherits("QPlainTextEdit");
  if (!eaten && tabMovesFocus) return false;
  if (!eaten && L->ctrl && !e->text().isEmpty()) {
    QList<uint> u = e->text().toUcs4();
    if (!u.isEmpty()) {
      char32_t ch = char32_t(u[0]), orig = ch;
      run(L, [&](TControl*) {
        if (preview) preview->KeyPress(ch);
        if (ch && L->ctrl) wc->KeyPress(ch);
      });
      if (ch == 0) {
        eaten = true;
      } else if (ch != orig && !own && filter && L->ctrl) {
        // The handler replaced the character: the widget gets the new one.
        QString t = QString::fromUcs4(&ch, 1);
        QKeyEvent ne(QEvent::KeyPress, 0, e->modifiers(), t, e->isAutoRepeat());
        filter->resending = true;
        QCoreApplication::sendEvent(w, &ne);
        filter->resending = false;
        eaten = true;
      }
    }
  }
  if (eaten) e->accept();
  return eaten;
}

// The operator's input: what a control that does not take input never hears.
static bool isInputEvent(QEvent::Type t) {
  switch (t) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::Enter:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ContextMenu:
      return true;
    default:
      return false;
  }
}

bool ControlWidgetBridge::handle(ControlLink* L, QWidget* w, QEvent* e, bool own, ControlEventFilter* filter) {
  TControl* c = L->ctrl;
  if (!c) return false;
  if (isInputEvent(e->type()) && !c->InputEnabled()) {
    // A disabled control (or one in a disabled parent) takes no input; Qt
    // hands the event on to the parent's widget. A press noted before the
    // control was disabled makes no click either.
    if (own) static_cast<ControlWidgetBridge*>(w)->clicked = false;
    e->ignore();
    return false;
  }
  auto* bridge = own ? static_cast<ControlWidgetBridge*>(w) : nullptr;
  switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
      auto* me = static_cast<QMouseEvent*>(e);
      TShiftState s = ShiftState(me->modifiers(), me->buttons());
      TMouseButton b = mouseButton(me->button());
      QPoint p = me->position().toPoint() - clientOffset(c);
      bool dbl = e->type() == QEvent::MouseButtonDblClick && c->ControlStyle().Contains(csDoubleClicks);
      if (dbl) {
        s.Include(ssDouble);
        if (b == mbLeft) run(L, [](TControl* x) { x->DblClick(); });
      }
      if (bridge && b == mbLeft && c->ControlStyle().Contains(csClickEvents)) bridge->clicked = !dbl;
      run(L, [&](TControl* x) { x->MouseDown(b, s, p.x(), p.y()); });
      if (own) e->accept();
      return own;
    }
    case QEvent::MouseButtonRelease: {
      auto* me = static_cast<QMouseEvent*>(e);
      TShiftState s = ShiftState(me->modifiers(), me->buttons());
      TMouseButton b = mouseButton(me->button());
      QPoint p = me->position().toPoint() - clientOffset(c);
      if (bridge && b == mbLeft && bridge->clicked) {
        bridge->clicked = false;
        if (w->rect().contains(p + clientOffset(c))) run(L, [](TControl* x) { x->Click(); });
      }
      run(L, [&](TControl* x) { x->MouseUp(b, s, p.x(), p.y()); });
      if (own) e->accept();
      return own;
    }
    case QEvent::MouseMove: {
      auto* me = static_cast<QMouseEvent*>(e);
      TShiftState s = ShiftState(me->modifiers(), me->buttons());
      QPoint p = me->position().toPoint() - clientOffset(c);
      run(L, [&](TControl* x) { x->MouseMove(s, p.x(), p.y()); });
      if (own) e->accept();
      return own;
    }
    case QEvent::Wheel: {
      auto* we = static_cast<QWheelEvent*>(e);
      TShiftState s = ShiftState(we->modifiers(), we->buttons());
      QPoint p = we->position().toPoint() - clientOffset(c);
      int delta = we->angleDelta().y();
      bool handled = false;
      run(L, [&](TControl* x) { handled = x->DoMouseWheel(s, delta, TPoint(p.x(), p.y())); });
      if (handled) e->accept();
      return handled;
    }
    case QEvent::Enter:
      run(L, [](TControl* x) { x->MouseEnter(); });
      return false;
    case QEvent::Leave:
      run(L, [](TControl* x) { x->MouseLeave(); });
      return false;
    case QEvent::FocusIn:
    case QEvent::FocusOut: {
      auto* fe = static_cast<QFocusEvent*>(e);
      if (fe->reason() == Qt::ActiveWindowFocusReason || fe->reason() == Qt::PopupFocusReason) {
        // The window went to the background or a popup opened: a drag under
        // way ends, the focus itself stays.
        if (e->type() == QEvent::FocusOut) run(L, [](TControl* x) { x->CancelMode(); });
        return false;
      }
      auto* wc = dynamic_cast<TWinControl*>(c);
      if (!wc) return false;
      if (e->type() == QEvent::FocusIn) {
        run(L, [wc](TControl*) { wc->DoEnter(); });
      } else {
        run(L, [wc](TControl*) { wc->CancelMode(); });
        run(L, [wc](TControl*) { wc->DoExit(); });
      }
      return false;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
      return keyEvent(L, w, static_cast<QKeyEvent*>(e), own, filter);
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: {
      auto* wc = dynamic_cast<TWinControl*>(c);
      if (!wc || !wc->acceptFileDrops_) return false;
      auto* de = static_cast<QDropEvent*>(e);
      std::vector<String> names;
      if (const QMimeData* md = de->mimeData())
        for (const QUrl& u : md->urls())
          if (u.isLocalFile()) names.push_back(Str(u.toLocalFile()));
      if (names.empty()) {
        de->ignore();
        return true;
      }
      de->setDropAction(Qt::CopyAction);
      de->accept();
      if (e->type() == QEvent::Drop)
        run(L, [&names](TControl* x) {
          auto* target = static_cast<TWinControl*>(x);
          if (target->OnFilesDropped) target->OnFilesDropped(names);
        });
      return true;
    }
    case QEvent::ContextMenu: {
      auto* ce = static_cast<QContextMenuEvent*>(e);
      bool handled = false, ran = false;
      const QPoint cp = ce->pos() - clientOffset(c);
      const TPoint at = ce->reason() == QContextMenuEvent::Keyboard ? TPoint(-1, -1) : TPoint(cp.x(), cp.y());
      run(L, [&](TControl* x) {
        x->DoContextPopup(at, handled);
        ran = true;
      });
      // A handler that failed (its exception was shown) shows no menu.
      if (handled || !ran || !L->ctrl) {
        e->accept();
        return true;
      }
      c = L->ctrl;
      TPopupMenu* m = c->PopupMenu();
      if (!m || !m->AutoPopup) return false;
      QPoint g = ce->globalPos();
      run(L, [&](TControl* x) {
        m->SetPopupComponent(x);
        m->Popup(g.x(), g.y());
      });
      e->accept();
      return true;
    }
    case QEvent::Close: {
      auto* f = dynamic_cast<TCustomForm*>(c);
      if (!f || !own) return false;
      // The window's close button asks the form, as Close does.
      e->ignore();
      run(L, [f](TControl*) { f->Close(); });
      return true;
    }
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate: {
      auto* f = dynamic_cast<TCustomForm*>(c);
      if (!f || !own) return false;
      bool act = e->type() == QEvent::WindowActivate;
      run(L, [f, act](TControl*) {
        if (act && f->OnActivate) f->OnActivate(f);
        if (!act && f->OnDeactivate) f->OnDeactivate(f);
      });
      return false;
    }
    case QEvent::Resize:
    case QEvent::Move: {
      // Only a window moves or sizes by itself (the window manager).
      if (!w->isWindow()) return false;
      QRect g = w->geometry();
      if (e->type() == QEvent::Move) {
        c->left_ = g.x();
        c->top_ = g.y();
        return false;
      }
      if (g.width() == c->width_ && g.height() == c->height_) return false;
      int ow = c->width_, oh = c->height_;
      c->width_ = g.width();
      c->height_ = g.height();
      run(L, [ow, oh](TControl* x) {
        if (auto* wc = dynamic_cast<TWinControl*>(x)) {
          wc->anchorChildren(ow, oh);
          wc->Realign();
        }
        x->Resize();
      });
      return false;
    }
    default:
      return false;
  }
}

void ControlWidgetBridge::paint(ControlWidgetBridge* self, QPaintEvent* e) {
  TControl* c = self->link.ctrl;
  if (!c) return;
  QPainter p(self);
  if (!c->HasOwnPaint()) {
    if (!c->transparent_) p.fillRect(self->rect(), ToQColor(c->color_));
    return;
  }
  QSize sz = self->size();
  if (sz.isEmpty()) return;
  bool clear = c->SeeThrough();
  // A control that paints straight onto the surface has no picture of its
  // own: its canvas draws through this painter.
  const bool direct = c->paintsDirect_ && !clear;
  TCanvas* cv = c->canvas_.get();
  if (direct) {
    if (!self->buffer.isNull()) self->buffer = QImage();
    cv->BindPainter(&p, sz.width(), sz.height(), 1.0);
  } else {
    QImage::Format fmt = clear ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (self->buffer.size() != sz || self->buffer.format() != fmt) self->buffer = QImage(sz, fmt);
    if (clear)
      self->buffer.fill(Qt::transparent);
    else if (!c->paintsOpaque_)
      self->buffer.fill(ToQColor(c->color_));
    cv->BindImage(&self->buffer);
  }
  const QPoint off = clientOffset(c);
  cv->SetOrigin(TPoint(off.x(), off.y()));
  cv->Font()->Assign(c->font_.get());
  cv->Brush()->SetColor(c->color_);
  // A partial repaint (InvalidateRect): Paint sees the area as the clip. A
  // framed control's Paint is clipped to its client area.
  const QRect client(off, QSize(std::max(0, c->ClientWidth()), std::max(0, c->ClientHeight())));
  const QRect area = e ? e->region().boundingRect() : self->rect();
  const bool framed = client != self->rect();
  const bool partial = !area.contains(self->rect()) || framed;
  if (partial) {
    // The clip is the area itself (a few rectangles), so that Paint can skip
    // what lies between them too (RectVisible).
    TRegion clip;
    const QRegion rgn = (e ? e->region() : QRegion(self->rect())).intersected(client).translated(-off);
    bool first = true;
    for (const QRect& a : rgn) {
      const TRegion piece = TRegion::FromRect(Bounds(a.x(), a.y(), a.width(), a.height()));
      clip = first ? piece : clip.Combined(piece, RGN_OR);
      first = false;
    }
    cv->SelectClipRgn(&clip);
  }
  ++self->link.busy;
  cv->BeginTextRun();
  try {
    c->Paint();
  } catch (...) {
    // Shown once the paint event is over: a message box inside a paint
    // event would paint again.
    std::exception_ptr ep = std::current_exception();
    QTimer::singleShot(0, QCoreApplication::instance(), [ep] {
      DispatchEvent([ep] { std::rethrow_exception(ep); });
    });
  }
  if (self->link.ctrl) {
    cv->EndTextRun();
    if (partial) cv->SelectClipRgn(nullptr);
    if (framed) {
      cv->SetOrigin(TPoint(0, 0));
      DispatchEvent([c] { c->PaintNonClient(); });
    }
  }
  --self->link.busy;
  if (direct) {
    if (self->link.ctrl) cv->BindPainter(nullptr, 0, 0, 1.0);
    return;
  }
  if (self->link.ctrl) cv->BindImage(nullptr);
  p.drawImage(0, 0, self->buffer);
}

// ---------------------------------------------------------------- TControl

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {
  font_ = std::make_unique<TFont>();
  canvas_ = std::make_unique<TCanvas>();
  canvas_->Font()->Assign(font_.get());
  font_->OnChange = [this](TObject*) {
    if (!syncingFont_) parentFont_ = false;
    FontChanged();
  };
  widget_ = new ControlWidgetBridge(this);
  widget_->hide();
  SyncWidget();
}

TControl::~TControl() {
  BeginDestroy();
  if (parent_) parent_->RemoveControl(this);
  font_->OnChange = nullptr;
  if (widget_) {
    ControlLink* L = linkOf(widget_);
    bool busy = false;
    if (L) {
      L->ctrl = nullptr;
      busy = L->busy > 0;
    }
    QWidget* w = widget_;
    widget_ = nullptr;
    w->hide();
    if (busy)
      w->deleteLater();
    else
      delete w;
  }
}

void TControl::SetWidget(QWidget* w) {
  if (!w || w == widget_) return;
  QWidget* old = widget_;
  widget_ = w;
  if (!dynamic_cast<ControlWidgetBridge*>(w)) {
    auto* f = new ControlEventFilter(w, this);
    w->installEventFilter(f);
    w->setProperty(kLinkProperty, QVariant::fromValue(quintptr(&f->link)));
  }
  if (parent_ && parent_->widget_) w->setParent(parent_->widget_);
  // Children already placed move over to the new widget.
  if (auto* wc = dynamic_cast<TWinControl*>(this)) {
    for (TControl* ch : wc->controls_)
      if (ch->widget_) ch->widget_->setParent(w);
    wc->restack();
    w->setAcceptDrops(wc->acceptFileDrops_);
  }
  SyncWidget();
  if (parent_) parent_->restack();
  if (old) {
    ControlLink* L = linkOf(old);
    bool busy = L && L->busy > 0;
    if (L) L->ctrl = nullptr;
    old->hide();
    if (busy)
      old->deleteLater();
    else
      delete old;
  }
}

void TControl::SyncWidget() {
  if (!widget_) return;
  const TPoint po = parent_ ? parent_->ClientOffset() : TPoint();
  widget_->setGeometry(left_ + po.X, top_ + po.Y, std::max(width_, 0), std::max(height_, 0));
  widget_->setEnabled(enabled_);
  widget_->setFont(ToQFont(*font_));
  if (!dynamic_cast<ControlWidgetBridge*>(widget_)) {
    // The control's colours go to the active and inactive groups; the
    // disabled group keeps the style's own text and field colours, so a
    // disabled control looks disabled. Faces keep their colour in every group.
    QPalette pal = widget_->palette();
    QColor bg = ToQColor(color_), fg = ToQColor(font_->Color());
    const QPalette& app = QApplication::palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
      pal.setColor(g, QPalette::Base, bg);
      pal.setColor(g, QPalette::WindowText, fg);
      pal.setColor(g, QPalette::Text, fg);
      pal.setColor(g, QPalette::ButtonText, fg);
    }
    for (QPalette::ColorRole r : {QPalette::Base, QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
      pal.setColor(QPalette::Disabled, r, app.color(QPalette::Disabled, r));
    pal.setColor(QPalette::Window, bg);
    pal.setColor(QPalette::Button, bg);
    widget_->setPalette(pal);
  } else {
    widget_->setAttribute(Qt::WA_OpaquePaintEvent, !SeeThrough());
  }
  if (cursor_ == crDefault)
    widget_->unsetCursor();
  else
    widget_->setCursor(CursorShape(cursor_));
  widget_->setToolTip(showHint_ ? QStr(hint_.substr(0, hint_.find('|'))) : QString());
  if (auto* f = dynamic_cast<TCustomForm*>(this)) {
    (void)f;   // a form's window is shown by the form itself
  } else {
    widget_->setVisible(visible_ && parent_ != nullptr);
  }
}

void TControl::SetParent(TWinControl* p) {
  if (p == parent_) return;
  for (const TControl* a = p; a; a = a->parent_)
    if (a == this) throw EInvalidOperation("A control cannot be its own parent");
  if (parent_) parent_->RemoveControl(this);
  if (p) p->InsertControl(this);
}

void TControl::SetConstraints(const TSizeConstraints& c) {
  constraints_ = c;
  // A window's frame keeps the operator's resizing within the limits too.
  if (widget_ && dynamic_cast<TCustomForm*>(this)) {
    widget_->setMinimumSize(std::max(c.MinWidth, 0), std::max(c.MinHeight, 0));
    widget_->setMaximumSize(c.MaxWidth > 0 ? c.MaxWidth : QWIDGETSIZE_MAX, c.MaxHeight > 0 ? c.MaxHeight : QWIDGETSIZE_MAX);
  }
  SetBounds(left_, top_, width_, height_);
}

void TControl::SetBounds(int l, int t, int w, int h) {
  const TSizeConstraints& k = constraints_;
  if (k.MaxWidth > 0 && w > k.MaxWidth) w = k.MaxWidth;
  if (k.MinWidth > 0 && w < k.MinWidth) w = k.MinWidth;
  if (k.MaxHeight > 0 && h > k.MaxHeight) h = k.MaxHeight;
  if (k.MinHeight > 0 && h < k.MinHeight) h = k.MinHeight;
  if (l == left_ && t == top_ && w == width_ && h == height_) return;
  int ow = width_, oh = height_;
  left_ = l;
  top_ = t;
  width_ = w;
  height_ = h;
  if (widget_) {
    const TPoint po = parent_ ? parent_->ClientOffset() : TPoint();
    widget_->setGeometry(l + po.X, t + po.Y, std::max(w, 0), std::max(h, 0));
  }
  if (parent_ && align_ != alNone && align_ != alCustom) parent_->Realign();
  if (ow != width_ || oh != height_) {
    if (auto* wc = dynamic_cast<TWinControl*>(this)) {
      wc->anchorChildren(ow, oh);
      wc->Realign();
      wc->updateAutoScroll();
    }
    if (!Destroying()) Resize();
  }
  if (parent_) parent_->updateAutoScroll();
}

void TControl::SetClientWidth(int v) { SetWidth(v + (width_ - ClientWidth())); }
void TControl::SetClientHeight(int v) { SetHeight(v + (height_ - ClientHeight())); }

TPoint TControl::ClientToScreen(const TPoint& p) const {
  TPoint r = p;
  for (const TControl* c = this; c; c = c->parent_) {
    const TPoint o = c->ClientOffset();
    r.X += c->left_ + o.X;
    r.Y += c->top_ + o.Y;
  }
  return r;
}

TPoint TControl::ScreenToClient(const TPoint& p) const {
  TPoint o = ClientToScreen(TPoint(0, 0));
  return TPoint(p.X - o.X, p.Y - o.Y);
}

void TControl::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  if (widget_) widget_->setVisible(visible_ && parent_ != nullptr);
  if (parent_ && align_ != alNone && align_ != alCustom) parent_->Realign();
  if (parent_) parent_->updateAutoScroll();
}

bool TControl::Showing() const {
  const TControl* c = this;
  for (; c; c = c->parent_) {
    if (!c->visible_) return false;
    if (!c->parent_) break;
  }
  return c && dynamic_cast<const TCustomForm*>(c) != nullptr;
}

void TControl::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  if (widget_) widget_->setEnabled(v);
  EnabledChanged();
}

bool TControl::InputEnabled() const {
  for (const TControl* c = this; c; c = c->parent_)
    if (!c->enabled_) return false;
  return true;
}

void TControl::SetAlign(TAlign a) {
  if (a == align_) return;
  align_ = a;
  if (parent_) parent_->Realign();
}

void TControl::SetColor(TColor c) {
  if (c == color_) return;
  color_ = c;
  parentColor_ = false;
  SyncWidget();
  Invalidate();
  if (auto* wc = dynamic_cast<TWinControl*>(this))
    for (TControl* ch : wc->controls_)
      if (ch->parentColor_) {
        ch->SetColor(c);
        ch->parentColor_ = true;
      }
}

void TControl::SetParentColor(bool v) {
  parentColor_ = v;
  if (v && parent_) {
    SetColor(parent_->color_);
    parentColor_ = true;
  }
}

void TControl::SetParentFont(bool v) {
  parentFont_ = v;
  if (v && parent_) {
    syncingFont_ = true;
    font_->Assign(parent_->font_.get());
    syncingFont_ = false;
    parentFont_ = true;
  }
}

void TControl::FontChanged() {
  if (widget_) widget_->setFont(ToQFont(*font_));
  if (IsSymbolFont(font_->Name()) != symbolFont_) {
    symbolFont_ = !symbolFont_;
    ShownTextsChanged();
  }
  if (widget_ && !dynamic_cast<ControlWidgetBridge*>(widget_)) SyncWidget();
  canvas_->Font()->Assign(font_.get());
  Invalidate();
  if (auto* wc = dynamic_cast<TWinControl*>(this))
    for (TControl* ch : wc->controls_)
      if (ch->parentFont_) {
        ch->syncingFont_ = true;
        ch->font_->Assign(font_.get());
        ch->syncingFont_ = false;
      }
}

void TControl::SetText(const String& s) {
  if (s == text_) return;
  text_ = s;
  TextChanged();
}

void TControl::SetHint(const String& s) {
  hint_ = s;
  if (widget_ && showHint_) widget_->setToolTip(QStr(hint_.substr(0, hint_.find('|'))));
}

void TControl::SetShowHint(bool v) {
  showHint_ = v;
  if (widget_) widget_->setToolTip(showHint_ ? QStr(hint_.substr(0, hint_.find('|'))) : QString());
}

void TControl::SetCursor(TCursor c) {
  if (c == cursor_) return;
  cursor_ = c;
  if (!widget_) return;
  if (c == crDefault)
    widget_->unsetCursor();
  else
    widget_->setCursor(CursorShape(c));
}

void TControl::SetTransparent(bool v) {
  if (v == transparent_) return;
  transparent_ = v;
  if (widget_ && dynamic_cast<ControlWidgetBridge*>(widget_)) widget_->setAttribute(Qt::WA_OpaquePaintEvent, !SeeThrough());
  Invalidate();
}

bool TControl::SeeThrough() const {
  return transparent_ || (dynamic_cast<const TGraphicControl*>(this) && !paintsOpaque_);
}

void TControl::SetPaintsOpaque(bool v) {
  paintsOpaque_ = v;
  if (widget_ && dynamic_cast<ControlWidgetBridge*>(widget_)) widget_->setAttribute(Qt::WA_OpaquePaintEvent, !SeeThrough());
  Invalidate();
}

void TControl::SetPaintsDirect(bool v) {
  paintsDirect_ = v;
  if (v) SetPaintsOpaque(true);
  else Invalidate();
}

void TControl::Invalidate() {
  if (widget_) widget_->update();
}

void TControl::InvalidateRect(const TRect& r) {
  if (!widget_) return;
  const TRect n = r.Normalized();
  if (n.IsEmpty()) return;
  const TPoint o = ClientOffset();
  widget_->update(QRect(n.Left + o.X, n.Top + o.Y, n.Width(), n.Height()));
}

void TControl::ScrollRect(int dx, int dy, const TRect& r) {
  if (!widget_) return;
  const TRect n = r.Normalized();
  if (n.IsEmpty() || (dx == 0 && dy == 0)) return;
  const TPoint o = ClientOffset();
  widget_->scroll(dx, dy, QRect(n.Left + o.X, n.Top + o.Y, n.Width(), n.Height()));
}

void TControl::Repaint() {
  if (widget_ && widget_->isVisible()) widget_->repaint();
}

void TControl::Update() {
  if (widget_ && widget_->isVisible()) QCoreApplication::sendPostedEvents(widget_->window(), QEvent::UpdateRequest);
}

void TControl::BringToFront() {
  if (!parent_) {
    if (widget_) widget_->raise();
    return;
  }
  auto& v = parent_->controls_;
  v.erase(std::remove(v.begin(), v.end(), this), v.end());
  bool graphic = dynamic_cast<TWinControl*>(this) == nullptr;
  if (graphic) {
    auto it = std::find_if(v.begin(), v.end(), [](TControl* c) { return dynamic_cast<TWinControl*>(c) != nullptr; });
    v.insert(it, this);
  } else {
    v.push_back(this);
  }
  parent_->restack();
}

void TControl::SendToBack() {
  if (!parent_) {
    if (widget_) widget_->lower();
    return;
  }
  auto& v = parent_->controls_;
  v.erase(std::remove(v.begin(), v.end(), this), v.end());
  bool graphic = dynamic_cast<TWinControl*>(this) == nullptr;
  if (graphic) {
    v.insert(v.begin(), this);
  } else {
    auto it = std::find_if(v.begin(), v.end(), [](TControl* c) { return dynamic_cast<TWinControl*>(c) != nullptr; });
    v.insert(it, this);
  }
  parent_->restack();
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

namespace {
int renderings = 0;   // PaintTo calls under way
}  // namespace

bool tkqt::Rendering() { return renderings > 0; }

void TControl::PaintTo(TCanvas* c, int x, int y) {
  if (!c || !widget_ || !c->Image()) return;
  ++renderings;
  struct Done {
    ~Done() { --renderings; }
  } done;
  QImage* img = c->Image();
  QPainter p(img);
  TPoint o = c->Origin();
  QWidget::RenderFlags flags = QWidget::DrawChildren;
  if (!SeeThrough()) flags |= QWidget::DrawWindowBackground;
  // A widget whose window was never shown has not been laid out yet.
  widget_->ensurePolished();
  widget_->render(&p, QPoint(x + o.X, y + o.Y), QRegion(), flags);
}

void TControl::Dispatch(const std::function<void()>& f) { DispatchEvent(f); }

// ------------------------------------------------------------- TWinControl

void TWinControl::SetAcceptFileDrops(bool v) {
  acceptFileDrops_ = v;
  if (widget_) widget_->setAcceptDrops(v);
}

struct TWinControl::ScrollState {
  QPointer<QScrollBar> h, v;
  TPoint pos, limit;
  bool updating = false;
};

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {
  widget_->setFocusPolicy(Qt::ClickFocus);
}

TWinControl::~TWinControl() {
  BeginDestroy();
  ++alignLock_;
  // Children go with their parent (their owners are told by the component
  // destructor).
  while (!controls_.empty()) {
    TControl* c = controls_.back();
    delete c;
  }
}

void TWinControl::SetTabStop(bool v) {
  tabStop_ = v;
  if (widget_ && dynamic_cast<ControlWidgetBridge*>(widget_))
    widget_->setFocusPolicy(v ? Qt::StrongFocus : Qt::ClickFocus);
}

void TWinControl::InsertControl(TControl* c) {
  if (!c || c->parent_ == this) return;
  if (c->parent_) c->parent_->RemoveControl(c);
  c->parent_ = this;
  if (dynamic_cast<TWinControl*>(c)) {
    controls_.push_back(c);
  } else {
    auto it = std::find_if(controls_.begin(), controls_.end(),
                           [](TControl* x) { return dynamic_cast<TWinControl*>(x) != nullptr; });
    controls_.insert(it, c);
  }
  if (c->widget_) c->widget_->setParent(widget_);
  if (c->parentFont_) {
    c->syncingFont_ = true;
    c->font_->Assign(font_.get());
    c->syncingFont_ = false;
  }
  if (c->parentColor_) {
    c->SetColor(color_);
    c->parentColor_ = true;
  }
  c->SyncWidget();
  restack();
  if (c->align_ != alNone && c->align_ != alCustom) Realign();
  updateAutoScroll();
}

void TWinControl::RemoveControl(TControl* c) {
  auto it = std::find(controls_.begin(), controls_.end(), c);
  if (it == controls_.end()) return;
  controls_.erase(it);
  c->parent_ = nullptr;
  if (c->widget_) {
    c->widget_->hide();
    c->widget_->setParent(nullptr);
  }
  if (!Destroying() && c->align_ != alNone && c->align_ != alCustom) Realign();
  if (!Destroying()) updateAutoScroll();
}

bool TWinControl::ContainsControl(const TControl* c) const {
  for (TControl* x : controls_) {
    if (x == c) return true;
    if (auto* w = dynamic_cast<TWinControl*>(x))
      if (w->ContainsControl(c)) return true;
  }
  return false;
}

void TWinControl::restack() {
  for (TControl* c : controls_)
    if (c->widget_) c->widget_->raise();
  if (scroll_) {
    // The scroll bars lie over every child.
    if (scroll_->h) scroll_->h->raise();
    if (scroll_->v) scroll_->v->raise();
  }
}

// ------------------------------------------------------------ auto-scroll

namespace {
constexpr int kAutoScrollBar = 17;    // thickness of the laid-over bars
constexpr int kAutoScrollLine = 20;   // pixels per arrow click
constexpr int kAutoScrollWheel = 60;  // pixels per wheel notch
}  // namespace

void TWinControl::SetAutoScroll(bool v) {
  if (v == AutoScroll()) return;
  if (!v) {
    SetScrollPosition(TPoint());
    if (scroll_->h) delete scroll_->h.data();
    if (scroll_->v) delete scroll_->v.data();
    scroll_.reset();
    return;
  }
  scroll_ = std::make_unique<ScrollState>();
  updateAutoScroll();
}

TPoint TWinControl::ScrollPosition() const { return scroll_ ? scroll_->pos : TPoint(); }
TPoint TWinControl::ScrollLimit() const { return scroll_ ? scroll_->limit : TPoint(); }
TPoint TWinControl::ClientOffset() const { return scroll_ ? TPoint(-scroll_->pos.X, -scroll_->pos.Y) : TPoint(); }

void TWinControl::SetScrollPosition(const TPoint& p) {
  if (!scroll_) return;
  const TPoint to(std::clamp(p.X, 0, scroll_->limit.X), std::clamp(p.Y, 0, scroll_->limit.Y));
  if (!(to == scroll_->pos)) {
    scroll_->pos = to;
    for (TControl* c : controls_)
      if (c->widget_) c->widget_->move(c->left_ - to.X, c->top_ - to.Y);
    Invalidate();
  }
  const bool was = scroll_->updating;
  scroll_->updating = true;
  if (scroll_->h) scroll_->h->setValue(to.X);
  if (scroll_->v) scroll_->v->setValue(to.Y);
  scroll_->updating = was;
}

void TWinControl::updateAutoScroll() {
  if (!scroll_ || scroll_->updating || Destroying() || !widget_) return;
  scroll_->updating = true;
  // What the children cover, from the client area's origin.
  int ex = 0, ey = 0;
  for (TControl* c : controls_) {
    if (!c->visible_) continue;
    ex = std::max(ex, c->left_ + c->width_);
    ey = std::max(ey, c->top_ + c->height_);
  }
  const int cw = width_, ch = height_, B = kAutoScrollBar;
  bool needH = ex > cw, needV = ey > ch;
  for (int pass = 0; pass < 2; ++pass) {
    needH = ex + (needV ? B : 0) > cw;
    needV = ey + (needH ? B : 0) > ch;
  }
  scroll_->limit = TPoint(needH ? ex + (needV ? B : 0) - cw : 0, needV ? ey + (needH ? B : 0) - ch : 0);
  auto bar = [this](QPointer<QScrollBar>& b, Qt::Orientation o, bool need) {
    if (!need) {
      if (b) b->hide();
      return;
    }
    if (!b) {
      b = new QScrollBar(o, widget_);
      const bool horizontal = o == Qt::Horizontal;
      QObject::connect(b.data(), &QScrollBar::valueChanged, b.data(), [this, horizontal](int v) {
        if (!scroll_ || scroll_->updating) return;
        const TPoint p = scroll_->pos;
        SetScrollPosition(horizontal ? TPoint(v, p.Y) : TPoint(p.X, v));
      });
    }
    b->show();
    b->raise();
  };
  bar(scroll_->h, Qt::Horizontal, needH);
  bar(scroll_->v, Qt::Vertical, needV);
  if (needH) {
    scroll_->h->setGeometry(0, ch - B, cw - (needV ? B : 0), B);
    scroll_->h->setRange(0, scroll_->limit.X);
    scroll_->h->setPageStep(std::max(1, cw - B));
    scroll_->h->setSingleStep(kAutoScrollLine);
  }
  if (needV) {
    scroll_->v->setGeometry(cw - B, 0, B, ch - (needH ? B : 0));
    scroll_->v->setRange(0, scroll_->limit.Y);
    scroll_->v->setPageStep(std::max(1, ch - B));
    scroll_->v->setSingleStep(kAutoScrollLine);
  }
  scroll_->updating = false;
  SetScrollPosition(scroll_->pos);
}

bool TWinControl::DoMouseWheel(TShiftState s, int delta, TPoint p) {
  if (TControl::DoMouseWheel(s, delta, p)) return true;
  if (!scroll_ || scroll_->limit.Y <= 0 || delta == 0) return false;
  const TPoint at = scroll_->pos;
  SetScrollPosition(TPoint(at.X, at.Y - delta * kAutoScrollWheel / 120));
  return !(scroll_->pos == at);
}


void TWinControl::anchorChildren(int ow, int oh) {
  if (ow <= 0 && oh <= 0) return;
  int dw = width_ - ow, dh = height_ - oh;
  for (TControl* c : std::vector<TControl*>(controls_)) {
    if (c->align_ != alNone) continue;
    TAnchors a = c->anchors_;
    int l = c->left_, t = c->top_, w = c->width_, h = c->height_;
    if (ow > 0 && a.Contains(akRight)) {
      if (a.Contains(akLeft)) w += dw; else l += dw;
    }
    if (oh > 0 && a.Contains(akBottom)) {
      if (a.Contains(akTop)) h += dh; else t += dh;
    }
    c->SetBounds(l, t, w, h);
  }
}

void TWinControl::Realign() {
  if (alignLock_ > 0 || realigning_ || Destroying()) return;
  realigning_ = true;
  try {
    TRect r = AlignRect();
    auto take = [&](TAlign a) {
      std::vector<TControl*> v;
      for (TControl* c : controls_)
        if (c->align_ == a && c->visible_) v.push_back(c);
      // Within one alignment the controls keep the order of their positions
      // (ties keep the order of the children).
      auto key = [a](TControl* c) {
        switch (a) {
          case alTop: return c->top_;
          case alBottom: return -(c->top_ + c->height_);
          case alLeft: return c->left_;
          case alRight: return -(c->left_ + c->width_);
          default: return 0;
        }
      };
      std::stable_sort(v.begin(), v.end(), [&](TControl* x, TControl* y) { return key(x) < key(y); });
      return v;
    };
    for (TControl* c : take(alTop)) {
      c->SetBounds(r.Left, r.Top, r.Width(), c->height_);
      r.Top += c->height_;
    }
    for (TControl* c : take(alBottom)) {
      c->SetBounds(r.Left, r.Bottom - c->height_, r.Width(), c->height_);
      c->SetBounds(r.Left, r.Bottom - c->height_, r.Width(), c->height_);
      r.Bottom -= c->height_;
    }
    for (TControl* c : take(alLeft)) {
      c->SetBounds(r.Left, r.Top, c->width_, std::max(0, r.Height()));
      r.Left += c->width_;
    }
    for (TControl* c : take(alRight)) {
      c->SetBounds(r.Right - c->width_, r.Top, c->width_, std::max(0, r.Height()));
      c->SetBounds(r.Right - c->width_, r.Top, c->width_, std::max(0, r.Height()));
      r.Right -= c->width_;
    }
    for (TControl* c : take(alClient))
      c->SetBounds(r.Left, r.Top, std::max(0, r.Width()), std::max(0, r.Height()));
  } catch (...) {
    realigning_ = false;
    throw;
  }
  realigning_ = false;
}

void TWinControl::SetFocus() {
  if (!widget_) return;
  if (TCustomForm* f = GetParentForm(this)) {
    if (f->Widget() && f->Widget()->isVisible()) f->Widget()->activateWindow();
  }
  widget_->setFocus(Qt::OtherFocusReason);
}

bool TWinControl::Focused() const { return widget_ && widget_->hasFocus(); }

bool TWinControl::CanFocus() const {
  for (const TControl* c = this; c; c = c->parent_)
    if (!c->visible_ || !c->enabled_) return false;
  return GetParentForm(this) != nullptr;
}

void TWinControl::SetBounds(int l, int t, int w, int h) { TControl::SetBounds(l, t, w, h); }

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner) {}

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner) {}
