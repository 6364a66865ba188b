#pragma once
// Internal to the toolkit: helpers shared by the standard controls' units.
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QString>
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

}  // namespace stdctl
