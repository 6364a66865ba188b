#include "toolkit/Types.h"
#include <cmath>

bool IntersectRect(TRect& dst, const TRect& a, const TRect& b) {
  TRect r(std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right), std::min(a.Bottom, b.Bottom));
  if (r.IsEmpty()) { dst = TRect(); return false; }
  dst = r;
  return true;
}

bool UnionRect(TRect& dst, const TRect& a, const TRect& b) {
  if (a.IsEmpty()) { dst = b; return !b.IsEmpty(); }
  if (b.IsEmpty()) { dst = a; return true; }
  dst = TRect(std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right), std::max(a.Bottom, b.Bottom));
  return true;
}

TColor ColorToRGB(TColor c) {
  if (!(c & clSystemColor)) return c;
  static const TColor table[] = {
      0xC8C8C8, 0x000000, 0xD1B499, 0xDBCDBF, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000, 0x000000,
      0x000000, 0xB4B4B4, 0xFCF7F4, 0xABABAB, 0xD77800, 0xFFFFFF, 0xF0F0F0, 0xA0A0A0, 0x6D6D6D,
      0x000000, 0x000000, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000, 0xE1FFFF};
  unsigned idx = unsigned(c) & 0xFF;
  return idx < sizeof(table) / sizeof(table[0]) ? table[idx] : clBlack;
}

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  int64_t p = int64_t(a) * int64_t(b);
  bool neg = (p < 0) != (c < 0);
  uint64_t up = p < 0 ? uint64_t(-p) : uint64_t(p);
  uint64_t uc = c < 0 ? uint64_t(-int64_t(c)) : uint64_t(c);
  uint64_t q = (up + uc / 2) / uc;
  return neg ? -int(q) : int(q);
}

int Round(double v) { return int(std::nearbyint(v)); }
