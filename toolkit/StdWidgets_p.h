#pragma once
// Internal to the toolkit: helpers shared by the standard controls' units.
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QGuiApplication>
#include <QRect>
#include <QScrollBar>
#include <QString>
#include <QStyle>
#include <QStyleOptionSlider>
#include "toolkit/Controls.h"

namespace stdctl {

inline QString QStr(const String& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
inline String StdStr(const QString& s) { QByteArray b = s.toUtf8(); return String(b.constData(), size_t(b.size())); }
inline QColor QColorOf(TColor c) {
  TColor v = ColorToRGB(c);
  return QColor(GetRValue(v), GetGValue(v), GetBValue(v));
}
inline TRect TRectOf(const QRect& r) { return Rect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height()); }
inline QRect QRectOf(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }

// Lets a canvas draw one rectangle of a widget during a Qt paint: the canvas
// draws on an image that covers the widget from its origin to the
// rectangle's far corner, so coordinates are the widget's own; PaintOn puts
// the rectangle onto the painter.
class CanvasPatch {
 public:
  // A clear patch starts transparent so that what lies below shows.
  CanvasPatch(TCanvas* canvas, const QRect& r, const TFont* font, TColor brush, bool clear = false)
      : canvas_(canvas), r_(r),
        img_(std::max(1, r.right() + 1), std::max(1, r.bottom() + 1),
             clear ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32) {
    if (clear) img_.fill(Qt::transparent);
    else img_.fill(QColorOf(brush));
    prev_ = canvas_->Image();
    canvas_->BindImage(&img_);
    if (font) canvas_->SetFont(font);
    canvas_->Brush()->SetStyle(bsSolid);
    canvas_->Brush()->SetColor(brush);
    canvas_->Pen()->SetColor(clBlack);
    canvas_->Pen()->SetStyle(psSolid);
    canvas_->Pen()->SetWidth(1);
    canvas_->Pen()->SetMode(pmCopy);
    canvas_->SelectClipRgn(nullptr);
  }
  ~CanvasPatch() { canvas_->BindImage(prev_); }
  CanvasPatch(const CanvasPatch&) = delete;
  CanvasPatch& operator=(const CanvasPatch&) = delete;
  void PaintOn(QPainter& p) const { p.drawImage(r_.topLeft(), img_, r_); }
  TRect Rect() const { return TRectOf(r_); }
  const QImage& Image() const { return img_; }
 private:
  TCanvas* canvas_;
  QRect r_;
  QImage img_;
  QImage* prev_ = nullptr;
};

// A scroll bar that keeps the picture of its last paint and shows it again
// while nothing it shows has changed (size, range, position, page, state,
// palette) and the mouse neither hovers over it nor holds a button: a framed
// control's full repaint then costs no style drawing for its bars.
class KeptScrollBar : public QScrollBar {
 public:
  using QScrollBar::QScrollBar;

 protected:
  void paintEvent(QPaintEvent* e) override {
    if (underMouse() || isSliderDown() || QGuiApplication::mouseButtons() != Qt::NoButton) {
      kept_ = QImage();
      QScrollBar::paintEvent(e);
      return;
    }
    QStyleOptionSlider opt;
    initStyleOption(&opt);
    opt.subControls = QStyle::SC_All;
    opt.activeSubControls = QStyle::SC_None;
    const Key key{opt.rect.size(), opt.minimum,  opt.maximum,      opt.sliderPosition,       opt.sliderValue,
                  opt.pageStep,    opt.singleStep, int(opt.state), int(opt.orientation),     opt.upsideDown,
                  int(opt.direction), palette().cacheKey(), devicePixelRatio()};
    if (kept_.isNull() || !(key == key_)) {
      const qreal dpr = devicePixelRatio();
      kept_ = QImage(opt.rect.size() * dpr, QImage::Format_ARGB32_Premultiplied);
      kept_.setDevicePixelRatio(dpr);
      kept_.fill(Qt::transparent);
      QPainter kp(&kept_);
      style()->drawComplexControl(QStyle::CC_ScrollBar, &opt, &kp, this);
      key_ = key;
    }
    QPainter p(this);
    p.drawImage(opt.rect.topLeft(), kept_);
  }

 private:
  struct Key {
    QSize size;
    int minimum, maximum, position, value, page, step, state, orientation;
    bool upsideDown;
    int direction;
    qint64 palette;
    qreal dpr;
    bool operator==(const Key&) const = default;
  };
  Key key_{};
  QImage kept_;
};

}  // namespace stdctl
