#pragma once
// Basic value types shared by every layer: strings, points, rectangles,
// colours and small set helpers.
#include <cstdint>
#include <string>
#include <vector>
#include <functional>
#include <algorithm>

using String = std::string;           // UTF-8 text throughout
using TDateTime = double;

struct TPoint {
  int X = 0, Y = 0;
  constexpr TPoint() = default;
  constexpr TPoint(int x, int y) : X(x), Y(y) {}
  constexpr bool operator==(const TPoint&) const = default;
};

struct TRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  constexpr TRect() = default;
  constexpr TRect(int l, int t, int r, int b) : Left(l), Top(t), Right(r), Bottom(b) {}
  constexpr int Width() const { return Right - Left; }
  constexpr int Height() const { return Bottom - Top; }
  constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  constexpr TPoint TopLeft() const { return {Left, Top}; }
  constexpr TPoint BottomRight() const { return {Right, Bottom}; }
  constexpr bool Contains(const TPoint& p) const { return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom; }
  constexpr void Offset(int dx, int dy) { Left += dx; Right += dx; Top += dy; Bottom += dy; }
  constexpr TRect Normalized() const {
    return {std::min(Left, Right), std::min(Top, Bottom), std::max(Left, Right), std::max(Top, Bottom)};
  }
  constexpr bool operator==(const TRect&) const = default;
};

constexpr TRect Rect(int l, int t, int r, int b) { return TRect(l, t, r, b); }
constexpr TRect Bounds(int l, int t, int w, int h) { return TRect(l, t, l + w, t + h); }
constexpr TPoint Point(int x, int y) { return TPoint(x, y); }
bool IntersectRect(TRect& dst, const TRect& a, const TRect& b);
bool UnionRect(TRect& dst, const TRect& a, const TRect& b);
inline bool PtInRect(const TRect& r, const TPoint& p) { return r.Contains(p); }

// A small set of enumeration values, stored as bits.
template <class E>
class TSet {
 public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> l) { for (E e : l) bits_ |= bit(e); }
  constexpr bool Contains(E e) const { return bits_ & bit(e); }
  constexpr TSet& Include(E e) { bits_ |= bit(e); return *this; }
  constexpr TSet& Exclude(E e) { bits_ &= ~bit(e); return *this; }
  constexpr TSet operator+(TSet o) const { TSet s; s.bits_ = bits_ | o.bits_; return s; }
  constexpr TSet operator-(TSet o) const { TSet s; s.bits_ = bits_ & ~o.bits_; return s; }
  constexpr TSet operator*(TSet o) const { TSet s; s.bits_ = bits_ & o.bits_; return s; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr uint64_t Bits() const { return bits_; }
  static constexpr TSet FromBits(uint64_t b) { TSet s; s.bits_ = b; return s; }
  constexpr bool operator==(const TSet&) const = default;
 private:
  static constexpr uint64_t bit(E e) { return uint64_t(1) << static_cast<unsigned>(e); }
  uint64_t bits_ = 0;
};

// Colours are 0x00BBGGRR; values with the top bit set name a system colour.
using TColor = int32_t;
constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080,
                 clNavy = 0x800000, clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080,
                 clSilver = 0xC0C0C0, clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                 clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00, clWhite = 0xFFFFFF,
                 clLtGray = 0xC0C0C0, clDkGray = 0x808080, clMoneyGreen = 0xC0DCC0,
                 clSkyBlue = 0xF0CAA6, clCream = 0xF0FBFF, clMedGray = 0xA4A0A0;
constexpr TColor clNone = 0x1FFFFFFF, clDefault = 0x20000000;
constexpr TColor clSystemColor = int32_t(0x80000000u);
constexpr TColor clScrollBar = clSystemColor | 0, clBackground = clSystemColor | 1,
                 clActiveCaption = clSystemColor | 2, clInactiveCaption = clSystemColor | 3,
                 clMenu = clSystemColor | 4, clWindow = clSystemColor | 5, clWindowFrame = clSystemColor | 6,
                 clMenuText = clSystemColor | 7, clWindowText = clSystemColor | 8,
                 clCaptionText = clSystemColor | 9, clActiveBorder = clSystemColor | 10,
                 clInactiveBorder = clSystemColor | 11, clAppWorkSpace = clSystemColor | 12,
                 clHighlight = clSystemColor | 13, clHighlightText = clSystemColor | 14,
                 clBtnFace = clSystemColor | 15, clBtnShadow = clSystemColor | 16,
                 clGrayText = clSystemColor | 17, clBtnText = clSystemColor | 18,
                 clInactiveCaptionText = clSystemColor | 19, clBtnHighlight = clSystemColor | 20,
                 cl3DDkShadow = clSystemColor | 21, cl3DLight = clSystemColor | 22,
                 clInfoText = clSystemColor | 23, clInfoBk = clSystemColor | 24;

// Resolves system colours through the fixed table of classic values.
TColor ColorToRGB(TColor c);
constexpr TColor RGB(int r, int g, int b) { return TColor((r & 255) | ((g & 255) << 8) | ((b & 255) << 16)); }
constexpr int GetRValue(TColor c) { return c & 255; }
constexpr int GetGValue(TColor c) { return (c >> 8) & 255; }
constexpr int GetBValue(TColor c) { return (c >> 16) & 255; }

// Platform arithmetic helpers with their classic rounding.
int MulDiv(int a, int b, int c);            // 64-bit product, rounds half away from zero; c == 0 gives -1
int Round(double v);                        // halves to even
inline int Trunc(double v) { return int(v); }
