#include "toolkit/QtGlue.h"
#include <cmath>

namespace tkqt {

QColor ToQColor(TColor c) {
  TColor rgb = ColorToRGB(c);
  return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

TColor FromQColor(const QColor& c) { return RGB(c.red(), c.green(), c.blue()); }

QFont ToQFont(const TFont& f) {
  // Widgets and canvases resolve names alike ("Arial" -> its installed stand-in).
  QFont q(QStr(ResolveFontFamily(f.Name())));
  int h = f.Height();
  // A negative height is the character height (the em square); a positive one
  // the cell height, which for the usual sans faces is about 1.15 em.
  int px = h < 0 ? -h : std::max(1, int(std::lround(h / 1.15)));
  if (px <= 0) px = 11;
  q.setPixelSize(px);
  TFontStyles s = f.Style();
  q.setBold(s.Contains(fsBold));
  q.setItalic(s.Contains(fsItalic));
  q.setUnderline(s.Contains(fsUnderline));
  q.setStrikeOut(s.Contains(fsStrikeOut));
  if (f.Pitch() == fpFixed) q.setFixedPitch(true);
  q.setStyleStrategy(QFont::PreferDefault);
  return q;
}

void FromQFont(const QFont& q, TFont& f) {
  f.SetName(Str(q.family()));
  if (q.pixelSize() > 0)
    f.SetHeight(-q.pixelSize());
  else if (q.pointSizeF() > 0)
    f.SetHeight(-int(std::lround(q.pointSizeF() * ScreenPixelsPerInch / 72.0)));
  TFontStyles s;
  if (q.bold()) s.Include(fsBold);
  if (q.italic()) s.Include(fsItalic);
  if (q.underline()) s.Include(fsUnderline);
  if (q.strikeOut()) s.Include(fsStrikeOut);
  f.SetStyle(s);
}

uint16_t VirtualKey(int k, Qt::KeyboardModifiers mods) {
  if (k >= Qt::Key_A && k <= Qt::Key_Z) return uint16_t(k);
  if (k >= Qt::Key_0 && k <= Qt::Key_9) {
    if (mods & Qt::KeypadModifier) return uint16_t(96 + (k - Qt::Key_0));
    return uint16_t(k);
  }
  if (k >= Qt::Key_F1 && k <= Qt::Key_F24) return uint16_t(VK_F1 + (k - Qt::Key_F1));
  switch (k) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab: case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Return: case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Pause: return 19;
    case Qt::Key_CapsLock: return 20;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Asterisk: return (mods & Qt::KeypadModifier) ? 106 : 0;
    case Qt::Key_Plus: return (mods & Qt::KeypadModifier) ? 107 : 187;
    case Qt::Key_Minus: return (mods & Qt::KeypadModifier) ? 109 : 189;
    case Qt::Key_Period: return (mods & Qt::KeypadModifier) ? 110 : 190;
    case Qt::Key_Slash: return (mods & Qt::KeypadModifier) ? 111 : 191;
    case Qt::Key_Equal: return 187;
    case Qt::Key_Comma: return 188;
    case Qt::Key_Semicolon: return 186;
    case Qt::Key_QuoteLeft: return 192;
    case Qt::Key_BracketLeft: return 219;
    case Qt::Key_Backslash: return 220;
    case Qt::Key_BracketRight: return 221;
    case Qt::Key_Apostrophe: return 222;
    case Qt::Key_NumLock: return 144;
    case Qt::Key_ScrollLock: return 145;
    case Qt::Key_Menu: return 93;
    default: return 0;
  }
}

TShiftState ShiftState(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons) {
  TShiftState s;
  if (mods & Qt::ShiftModifier) s.Include(ssShift);
  if (mods & Qt::AltModifier) s.Include(ssAlt);
  if (mods & Qt::ControlModifier) s.Include(ssCtrl);
  if (buttons & Qt::LeftButton) s.Include(ssLeft);
  if (buttons & Qt::RightButton) s.Include(ssRight);
  if (buttons & Qt::MiddleButton) s.Include(ssMiddle);
  return s;
}

Qt::CursorShape CursorShape(TCursor c) {
  switch (c) {
    case crNone: return Qt::BlankCursor;
    case crCross: return Qt::CrossCursor;
    case crIBeam: return Qt::IBeamCursor;
    case crSizeNESW: return Qt::SizeBDiagCursor;
    case crSizeNS: return Qt::SizeVerCursor;
    case crSizeNWSE: return Qt::SizeFDiagCursor;
    case crSizeWE: return Qt::SizeHorCursor;
    case crUpArrow: return Qt::UpArrowCursor;
    case crHourGlass: return Qt::WaitCursor;
    case crDrag: case crMultiDrag: return Qt::DragCopyCursor;
    case crNoDrop: case crNo: return Qt::ForbiddenCursor;
    case crHSplit: return Qt::SplitHCursor;
    case crVSplit: return Qt::SplitVCursor;
    case crAppStart: return Qt::BusyCursor;
    case crHelp: return Qt::WhatsThisCursor;
    case crHandPoint: return Qt::PointingHandCursor;
    case crSizeAll: return Qt::SizeAllCursor;
    default: return Qt::ArrowCursor;
  }
}

}  // namespace tkqt
