#pragma once
// Toolkit internals: conversions between the toolkit's values and Qt's.
// Only toolkit/ sources include this header.
#include <QColor>
#include <QCursor>
#include <QFont>
#include <QRect>
#include <QString>
#include <Qt>
#include "toolkit/Controls.h"

namespace tkqt {

inline QString QStr(const String& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
inline String Str(const QString& s) { return s.toUtf8().toStdString(); }
inline QRect QR(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }
inline TRect TR(const QRect& r) { return Bounds(r.x(), r.y(), r.width(), r.height()); }

// A colour (system colours resolved through the fixed table).
QColor ToQColor(TColor c);
TColor FromQColor(const QColor& c);

// A toolkit font as a Qt font at 96 pixels per inch.
QFont ToQFont(const TFont& f);
// The font as canvases draw and measure it (Graphics.cpp).
QFont CanvasQFont(const TFont& f);
// Fills a toolkit font from a Qt font (name, size, style); colour and
// charset stay.
void FromQFont(const QFont& q, TFont& f);

// A key event that carries only a typed character (PostChar): the widget
// handles it as that key, the control hears the character but no key down.
constexpr quint32 PostedCharMark = 0x54434852u;

// Virtual key code of a Qt key (0 when it has none).
uint16_t VirtualKey(int qtKey, Qt::KeyboardModifiers mods);
TShiftState ShiftState(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons = Qt::NoButton);
Qt::CursorShape CursorShape(TCursor c);

// A press or release at Local (w's coordinates) delivered through w's window
// as the window system delivers one (MouseTools.cpp).
void SendWindowMouse(QWidget* w, const QPoint& Local, Qt::MouseButton Button, bool Down, bool Quick = false);

// Called as a modal window or dialog starts (ShowModal, message boxes,
// common dialogs): it takes the mouse, so no control keeps a capture, no
// widget a grab, and an open pop-up menu or list closes (MouseTools.cpp).
void GiveMouseToModal();

// The control a widget belongs to (null for other widgets).
TControl* ControlOf(const QWidget* w);

// True while a control's PaintTo renders widgets into a picture (a grab):
// a control whose content lives in a window of its own (ControlWindow.h)
// draws that content's picture then, and only then.
bool Rendering();

}  // namespace tkqt
