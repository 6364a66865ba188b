// The grid engine: current cell and selection, scrolling, scroll bars, keys,
// mouse, sizing and moving of columns and rows.
#include <algorithm>

#include "grids/MyGrids.h"
#include "toolkit/Forms.h"
#include "toolkit/Timer.h"

namespace {
constexpr const char* kIndexError = "Grid index out of range";
bool provides(TScrollStyle s, TScrollBarKind k) {
  return k == sbHorizontal ? (s == ssHorizontal || s == ssBoth) : (s == ssVertical || s == ssBoth);
}
}  // namespace

// ------------------------------------------------------------ current cell

void TMyCustomGrid::MoveCurrent(int ACol, int ARow, bool MoveAnchor, bool Show) {
  if (ACol < 0 || ARow < 0 || ACol >= colCount_ || ARow >= rowCount_) throw EInvalidGridOperation(kIndexError);
  if (!SelectCell(ACol, ARow)) return;
  const GridRect oldSel = Selection();
  const GridCoord oldCurrent = current_;
  current_ = GridCoord{ACol, ARow};
  if (!options_.Contains(goAlwaysShowEditor)) HideEditor();
  if (MoveAnchor || !options_.Contains(goRangeSelect) || options_.Contains(goEditing)) {
    anchor_ = current_;
    if (options_.Contains(goRowSelect)) anchor_.X = colCount_ - 1;
  }
  if (options_.Contains(goRowSelect)) current_.X = fixedCols_;
  if (Show) ClampInView(current_);
  SelectionMoved(oldSel);
  InvalidateCell(oldCurrent.X, oldCurrent.Y);
  InvalidateCell(ACol, ARow);
}

void TMyCustomGrid::MoveColRow(int ACol, int ARow, bool MoveAnchor, bool Show) { MoveCurrent(ACol, ARow, MoveAnchor, Show); }

void TMyCustomGrid::MoveAnchor(GridCoord NewAnchor) {
  if (options_.Contains(goRangeSelect) && !options_.Contains(goEditing)) {
    const GridRect oldSel = Selection();
    anchor_ = NewAnchor;
    if (options_.Contains(goRowSelect)) anchor_.X = colCount_ - 1;
    ClampInView(NewAnchor);
    SelectionMoved(oldSel);
  } else {
    MoveCurrent(NewAnchor.X, NewAnchor.Y, true, true);
  }
}

void TMyCustomGrid::FocusCell(int ACol, int ARow, bool MoveAnchor) {
  MoveCurrent(ACol, ARow, MoveAnchor, true);
  UpdateEdit();
  Click();
}

void TMyCustomGrid::SelectionMoved(const GridRect& OldSel) {
  if (!hasWindow()) return;
  TRect r1, r2;
  GridRectToScreenRect(OldSel, r1, true);
  GridRectToScreenRect(Selection(), r2, true);
  TRect inter;
  if (!IntersectRect(inter, r1, r2)) {
    TControl::InvalidateRect(r1);
    TControl::InvalidateRect(r2);
    return;
  }
  TRect u;
  UnionRect(u, r1, r2);
  auto included = [&](TPoint p) {
    auto in = [&](const TRect& r) { return p.X >= r.Left && p.X <= r.Right && p.Y >= r.Top && p.Y <= r.Bottom; };
    return in(r1) || in(r2);
  };
  auto strip = [&](TPoint p1, TPoint p2, TPoint p3) {
    TRect s;
    if (included(p1)) {
      s = Rect(p1.X, p1.Y, 0, 0);
      const TPoint br = included(p3) ? p3 : p2;
      s.Right = br.X;
      s.Bottom = br.Y;
    } else if (included(p2)) {
      s = Rect(p2.X, p2.Y, p3.X, p3.Y);
    } else {
      return std::pair<bool, TRect>(false, TRect());
    }
    return std::pair<bool, TRect>(true, s);
  };
  auto left = strip(Point(u.Left, u.Top), Point(u.Left, inter.Top), Point(u.Left, inter.Bottom));
  if (left.first) left.second.Right = inter.Left;
  auto top = strip(Point(inter.Left, u.Top), Point(inter.Right, u.Top), Point(u.Right, u.Top));
  if (top.first) top.second.Bottom = inter.Top;
  auto right = strip(Point(u.Right, inter.Top), Point(u.Right, inter.Bottom), Point(u.Right, u.Bottom));
  if (right.first) right.second.Left = inter.Right;
  auto bottom = strip(Point(u.Left, u.Bottom), Point(inter.Left, u.Bottom), Point(inter.Right, u.Bottom));
  if (bottom.first) bottom.second.Top = inter.Bottom;
  for (auto* s : {&left, &top, &right, &bottom})
    if (s->first) TControl::InvalidateRect(s->second);
}

// ------------------------------------------------------------ scrolling

void TMyCustomGrid::ClampInView(GridCoord Coord) {
  if (!hasWindow()) return;
  GridDrawInfo info;
  CalcDrawInfo(info);
  if (Coord.X > info.Horz.LastFullVisibleCell || Coord.X < topLeft_.X || Coord.Y > info.Vert.LastFullVisibleCell ||
      Coord.Y < topLeft_.Y) {
    Update();
    const GridCoord old = topLeft_;
    const GridCoord maxTL = CalcMaxTopLeft(Coord, info);
    if (Coord.X < topLeft_.X)
      topLeft_.X = std::max(Coord.X, fixedCols_);
    else if (Coord.X > info.Horz.LastFullVisibleCell)
      topLeft_.X = std::max(maxTL.X, fixedCols_);
    if (Coord.Y < topLeft_.Y)
      topLeft_.Y = std::max(Coord.Y, fixedRows_);
    else if (Coord.Y > info.Vert.LastFullVisibleCell)
      topLeft_.Y = std::max(maxTL.Y, fixedRows_);
    if (!(old == topLeft_)) TopLeftMoved(old);
  }
}

void TMyCustomGrid::MoveTopLeft(int ALeft, int ATop) {
  if (ALeft == topLeft_.X && ATop == topLeft_.Y) return;
  Update();
  const GridCoord old = topLeft_;
  topLeft_ = GridCoord{ALeft, ATop};
  TopLeftMoved(old);
}

void TMyCustomGrid::TopLeftMoved(GridCoord OldTopLeft) {
  UpdateScrollPos();
  GridDrawInfo info;
  CalcDrawInfo(info);
  auto delta = [&](const AxisDrawInfo& a, int oldFirst, int newFirst, int& d) {
    d = 0;
    if (oldFirst == newFirst) return true;
    const int lo = std::min(oldFirst, newFirst), hi = std::max(oldFirst, newFirst);
    const int room = a.GridBoundary - a.FixedBoundary;
    int amount = 0;
    for (int i = lo; i < hi; ++i) {
      amount += a.GetExtent(i) + a.EffectiveLineWidth;
      if (amount > room) return false;
    }
    d = oldFirst < newFirst ? -amount : amount;
    return true;
  };
  int dx = 0, dy = 0;
  if (delta(info.Horz, OldTopLeft.X, topLeft_.X, dx) && delta(info.Vert, OldTopLeft.Y, topLeft_.Y, dy)) {
    if (dx != 0 || dy != 0) ScrollDataInfo(dx, dy, info);
  } else {
    InvalidateGrid();
  }
  TopLeftChanged();
}

void TMyCustomGrid::ScrollData(int DX, int DY) {
  GridDrawInfo info;
  CalcDrawInfo(info);
  ScrollDataInfo(DX, DY, info);
}

void TMyCustomGrid::ScrollDataInfo(int DX, int DY, const GridDrawInfo& info) {
  if (!hasWindow()) return;
  const AxisDrawInfo &H = info.Horz, &V = info.Vert;
  // Mirrored: the areas lie mirrored and the columns move the other way.
  if (UseRightToLeftAlignment()) DX = -DX;
  if (DY == 0) {
    ScrollRect(DX, 0, mirror(Rect(H.FixedBoundary, 0, H.GridExtent, V.GridExtent)));
  } else if (DX == 0) {
    ScrollRect(0, DY, mirror(Rect(0, V.FixedBoundary, H.GridExtent, V.GridExtent)));
  } else {
    ScrollRect(DX, 0, mirror(Rect(H.FixedBoundary, 0, H.GridExtent, V.FixedBoundary)));
    ScrollRect(0, DY, mirror(Rect(0, V.FixedBoundary, H.FixedBoundary, V.GridExtent)));
    ScrollRect(DX, DY, mirror(Rect(H.FixedBoundary, V.FixedBoundary, H.GridExtent, V.GridExtent)));
  }
  if (options_.Contains(goRowSelect)) InvalidateRect(Selection());
}

void TMyCustomGrid::TopLeftChanged() {
  if (editorMode_ && inplaceEdit_) inplaceEdit_->UpdateLoc(CellRect(Col(), Row()));
}

void TMyCustomGrid::UpdateScrollPos() {
  if (!hasWindow() || scrollBars_ == ssNone) return;
  GridDrawInfo info;
  CalcDrawInfo(info);
  const GridCoord maxTL = CalcMaxTopLeft(GridCoord{colCount_ - 1, rowCount_ - 1}, info);
  if (provides(scrollBars_, sbHorizontal)) {
    const bool rtl = UseRightToLeftAlignment();
    if (colCount_ != 1) {
      const int span = maxTL.X - fixedCols_;
      const int pos = span > 0 ? MulDiv(topLeft_.X - fixedCols_, 127, span) : 0;
      SetScrollPos(sbHorizontal, rtl && span > 0 ? 127 - pos : pos);
    } else {
      const int colWidth = ColWidths(topLeft_.X);
      const int gridSpace = ClientWidth() - info.Horz.FixedBoundary;
      if (colOffset_ > 0 && gridSpace > colWidth - colOffset_)
        pixelScroll(scPosition, rtl ? 0 : colWidth - gridSpace);
      else
        SetScrollPos(sbHorizontal, rtl ? std::max(0, colWidth - gridSpace) - colOffset_ : colOffset_);
    }
  }
  if (provides(scrollBars_, sbVertical)) {
    const int span = maxTL.Y - fixedRows_;
    SetScrollPos(sbVertical, span > 0 ? MulDiv(topLeft_.Y - fixedRows_, 127, span) : 0);
  }
}

void TMyCustomGrid::UpdateScrollRange() {
  if (scrollBars_ == ssNone || !hasWindow() || inScrollRange_) return;
  const GridCoord oldTopLeft = topLeft_;
  const TScrollStyle old = scrollBars_;
  int w = ClientWidth() + (ScrollBarVisible(sbVertical) ? ScrollBarSize : 0);
  int h = ClientHeight() + (ScrollBarVisible(sbHorizontal) ? ScrollBarSize : 0);
  inScrollRange_ = true;
  scrollBars_ = ssNone;
  auto horizontal = [&](int width, int height) {
    if (!provides(old, sbHorizontal)) return;
    if (colCount_ == 1) {
      SetScrollRange(sbHorizontal, 0, std::max(0, ColWidths(0) - ClientWidth()));
      return;
    }
    GridDrawInfo info;
    CalcDrawInfoXY(info, width, height);
    const int mx = CalcMaxTopLeft(GridCoord{colCount_ - 1, rowCount_ - 1}, info).X;
    SetScrollRange(sbHorizontal, 0, fixedCols_ < mx ? 127 : 0);
    if (topLeft_.X > mx) {
      Update();
      topLeft_.X = std::max(mx, fixedCols_);
    }
  };
  try {
    horizontal(w, h);
    h = ClientHeight();
    if (provides(old, sbVertical)) {
      GridDrawInfo info;
      CalcDrawInfoXY(info, w, h);
      const int my = CalcMaxTopLeft(GridCoord{colCount_ - 1, rowCount_ - 1}, info).Y;
      SetScrollRange(sbVertical, 0, fixedRows_ < my ? 127 : 0);
      if (topLeft_.Y > my) {
        Update();
        topLeft_.Y = std::max(my, fixedRows_);
      }
    }
    if (ClientWidth() != w) horizontal(ClientWidth(), ClientHeight());
  } catch (...) {
    scrollBars_ = old;
    inScrollRange_ = false;
    throw;
  }
  scrollBars_ = old;
  inScrollRange_ = false;
  UpdateScrollPos();
  if (!(topLeft_ == oldTopLeft)) TopLeftMoved(oldTopLeft);
}

void TMyCustomGrid::ScrollBarCode(TScrollBarKind k, TScrollCode code, int pos) {
  if (code == scEndScroll) return;
  ModifyScrollBar(k, int(code), pos, true);
}

void TMyCustomGrid::pixelScroll(int code, int pos) {
  GridDrawInfo info;
  CalcDrawInfo(info);
  const int colWidth = ColWidths(topLeft_.X);
  const int gridSpace = ClientWidth() - info.Horz.FixedBoundary;
  const int maxOffset = std::max(0, colWidth - gridSpace);
  int v = colOffset_;
  Canvas()->Font()->Assign(Font());
  switch (code) {
    case scLineUp: v -= Canvas()->TextWidth("0"); break;
    case scLineDown: v += Canvas()->TextWidth("0"); break;
    case scPageUp: v -= gridSpace; break;
    case scPageDown: v += gridSpace; break;
    case scPosition: v = UseRightToLeftAlignment() ? maxOffset - pos : pos; break;
    case scTrack:
      if (options_.Contains(goThumbTracking)) v = UseRightToLeftAlignment() ? maxOffset - pos : pos;
      break;
    case scTop: v = 0; break;
    case scBottom: v = colWidth - gridSpace; break;
    default: break;
  }
  v = std::clamp(v, 0, maxOffset);
  if (v == colOffset_) return;
  const int old = colOffset_;
  colOffset_ = v;
  ScrollData(old - v, 0);
  InvalidateRect(GridRect{0, 0, 0, fixedRows_});
  Update();
  UpdateScrollPos();
}

void TMyCustomGrid::ModifyScrollBar(TScrollBarKind ScrollBar, int ScrollCode, int Pos, bool UseRightToLeft) {
  // The grid takes the focus from elsewhere (not from its own editor).
  if (Visible() && CanFocus() && TabStop() && !Focused() && !(inplaceEdit_ && inplaceEdit_->Focused())) SetFocus();
  GridDrawInfo info;
  CalcDrawInfo(info);
  const bool horz = ScrollBar == sbHorizontal;
  if (horz && colCount_ == 1) {
    pixelScroll(ScrollCode, Pos);
    return;
  }
  const AxisDrawInfo& a = horz ? info.Horz : info.Vert;
  const GridCoord maxTL = CalcMaxTopLeft(GridCoord{colCount_ - 1, rowCount_ - 1}, info);
  const int mx = horz ? maxTL.X : maxTL.Y;
  const int mn = horz ? fixedCols_ : fixedRows_;
  const int first = horz ? topLeft_.X : topLeft_.Y;
  // A mirrored horizontal bar runs the other way.
  const bool mirrored = horz && UseRightToLeft && UseRightToLeftAlignment();
  const int sign = mirrored ? -1 : 1;
  auto thumb = [&] { return mirrored ? mx - MulDiv(Pos, mx - mn, 127) : mn + MulDiv(Pos, mx - mn, 127); };
  auto step = [&](int c) {
    switch (ScrollCode) {
      case scLineUp: return c - sign;
      case scLineDown: return c + sign;
      case scPageUp: {
        const GridCoord tl = CalcMaxTopLeft(topLeft_, info);
        return c - sign * std::max(1, first - (horz ? tl.X : tl.Y));
      }
      case scPageDown: return c + sign * std::max(1, a.LastFullVisibleCell - first);
      case scPosition: return thumb();
      case scTrack: return options_.Contains(goThumbTracking) ? thumb() : c;
      case scTop: return mn;
      case scBottom: return mx;
      default: return c;
    }
  };
  int v = first;
  for (;;) {
    const int prev = v;
    v = step(prev);
    if (v <= mn || v >= mx || v == prev) break;
    if (v >= 0 && v < a.GridCellCount && a.GetExtent(v) > 0) break;
  }
  v = std::clamp(v, mn, std::max(mn, mx));
  if (v == first) return;
  if (horz)
    MoveTopLeft(v, topLeft_.Y);
  else
    MoveTopLeft(topLeft_.X, v);
}

void TMyCustomGrid::TimedScroll(int Direction) {
  GridDrawInfo info;
  CalcDrawInfo(info);
  const GridCoord maxTL = CalcMaxTopLeft(GridCoord{colCount_ - 1, rowCount_ - 1}, info);
  GridCoord tl = topLeft_;
  if ((Direction & 1) && tl.X > fixedCols_) --tl.X;
  if ((Direction & 2) && tl.X < maxTL.X) ++tl.X;
  if ((Direction & 4) && tl.Y > fixedRows_) --tl.Y;
  if ((Direction & 8) && tl.Y < maxTL.Y) ++tl.Y;
  if (tl == topLeft_) return;
  MoveTopLeft(tl.X, tl.Y);
  // A range being selected follows to the cell that came into view.
  if (gridState_ == gsSelecting && options_.Contains(goRangeSelect) && !options_.Contains(goEditing)) {
    CalcDrawInfo(info);
    GridCoord a = anchor_;
    if (Direction & 1) a.X = topLeft_.X;
    if (Direction & 2) a.X = info.Horz.LastFullVisibleCell;
    if (Direction & 4) a.Y = topLeft_.Y;
    if (Direction & 8) a.Y = info.Vert.LastFullVisibleCell;
    if (!(a == anchor_)) MoveAnchor(a);
  }
}

void TMyCustomGrid::TimerTick() {
  GridDrawInfo info;
  CalcDrawInfo(info);
  const TPoint pt = lastMouse_;
  switch (gridState_) {
    case gsSelecting: {
      int dir = 0;
      const int lx = mirrorX(pt.X);
      if (lx < info.Horz.FixedBoundary) dir |= 1;
      else if (lx > info.Horz.FullVisBoundary) dir |= 2;
      if (pt.Y < info.Vert.FixedBoundary) dir |= 4;
      else if (pt.Y > info.Vert.FullVisBoundary) dir |= 8;
      if (dir) TimedScroll(dir);
      break;
    }
    case gsColMoving: moveAndScroll(pt.X, CalcCoordFromPoint(pt.X, pt.Y, info).X, info, true, pt); break;
    case gsRowMoving: moveAndScroll(pt.Y, CalcCoordFromPoint(pt.X, pt.Y, info).Y, info, false, pt); break;
    default: break;
  }
}

// ------------------------------------------------------------ keys

void TMyCustomGrid::KeyDown(uint16_t& Key, TShiftState Shift) {
  TCustomScrollControl::KeyDown(Key, Shift);
  if (Key == 0 || nowUpdating_) return;
  if (!CanGridAcceptKey(Key, Shift)) {
    Key = 0;
    return;
  }
  GridDrawInfo info;
  CalcDrawInfo(info);
  GridCoord newTopLeft = topLeft_, newCurrent = current_;
  const int pageWidth = std::max(1, info.Horz.LastFullVisibleCell - topLeft_.X);
  const int pageHeight = std::max(1, info.Vert.LastFullVisibleCell - topLeft_.Y);
  const bool ctrl = Shift.Contains(ssCtrl), rowSelect = options_.Contains(goRowSelect);
  bool moveAnchor = !Shift.Contains(ssShift);
  // On a mirrored grid Left goes towards the higher columns.
  uint16_t key = Key;
  if (UseRightToLeftAlignment() && (key == VK_LEFT || key == VK_RIGHT)) key = key == VK_LEFT ? VK_RIGHT : VK_LEFT;
  if (UseRightToLeftAlignment() && ctrl && (key == VK_HOME || key == VK_END)) InvalidateGrid();
  switch (key) {
    case VK_UP:
      if (ctrl) --newTopLeft.Y; else --newCurrent.Y;
      break;
    case VK_DOWN:
      if (ctrl) ++newTopLeft.Y; else ++newCurrent.Y;
      break;
    case VK_LEFT:
      if (ctrl) {
        if (!rowSelect) {
          newCurrent.X -= pageWidth;
          newTopLeft.X -= pageWidth;
        }
      } else if (rowSelect) {
        --newTopLeft.X;
      } else {
        --newCurrent.X;
      }
      break;
    case VK_RIGHT:
      if (ctrl) {
        if (!rowSelect) {
          newCurrent.X += pageWidth;
          newTopLeft.X += pageWidth;
        }
      } else if (rowSelect) {
        ++newTopLeft.X;
      } else {
        ++newCurrent.X;
      }
      break;
    case VK_PRIOR:
      if (ctrl) {
        newCurrent.Y = topLeft_.Y;
      } else {
        newCurrent.Y -= pageHeight;
        newTopLeft.Y -= pageHeight;
      }
      break;
    case VK_NEXT:
      if (ctrl) {
        newCurrent.Y = info.Vert.LastFullVisibleCell;
      } else {
        newCurrent.Y += pageHeight;
        newTopLeft.Y += pageHeight;
      }
      break;
    case VK_HOME:
      if (ctrl) newCurrent = GridCoord{fixedCols_, fixedRows_};
      else if (rowSelect) newTopLeft.X = fixedCols_;
      else newCurrent.X = fixedCols_;
      break;
    case VK_END:
      if (ctrl) newCurrent = GridCoord{colCount_ - 1, rowCount_ - 1};
      else if (rowSelect) newTopLeft.X = colCount_ - 1;
      else newCurrent.X = colCount_ - 1;
      break;
    case VK_TAB: {
      // Without goTabs (or with whole rows) Tab leaves the grid.
      if (Shift.Contains(ssAlt) || !options_.Contains(goTabs) || rowSelect) return;
      const GridCoord start = newCurrent;
      const bool back = Shift.Contains(ssShift);
      do {
        if (!back) {
          if (++newCurrent.X >= colCount_) {
            newCurrent.X = fixedCols_;
            if (++newCurrent.Y >= rowCount_) newCurrent.Y = fixedRows_;
          }
        } else {
          if (--newCurrent.X < fixedCols_) {
            newCurrent.X = colCount_ - 1;
            if (--newCurrent.Y < fixedRows_) newCurrent.Y = rowCount_ - 1;
          }
        }
      } while (!TabStops(newCurrent.X) && newCurrent.X != start.X);
      // No other column is a tab stop: the cell stays.
      if (newCurrent.X == start.X && !TabStops(newCurrent.X)) newCurrent = start;
      if (newCurrent.X == start.X && !(newCurrent == start)) {
        bool other = false;
        for (int c = fixedCols_; c < colCount_ && !other; ++c) other = c != start.X && TabStops(c);
        if (!other) newCurrent = start;
      }
      moveAnchor = true;
      Key = 0;
      break;
    }
    case VK_F2:
      SetEditorMode(true);
      break;
    default:
      return;
  }
  const GridCoord maxTL = CalcMaxTopLeft(GridCoord{colCount_ - 1, rowCount_ - 1}, info);
  newTopLeft.X = std::clamp(newTopLeft.X, fixedCols_, std::max(fixedCols_, maxTL.X));
  newTopLeft.Y = std::clamp(newTopLeft.Y, fixedRows_, std::max(fixedRows_, maxTL.Y));
  if (!(newTopLeft == topLeft_)) MoveTopLeft(newTopLeft.X, newTopLeft.Y);
  newCurrent.X = std::clamp(newCurrent.X, fixedCols_, colCount_ - 1);
  newCurrent.Y = std::clamp(newCurrent.Y, fixedRows_, rowCount_ - 1);
  if (!(newCurrent == current_)) FocusCell(newCurrent.X, newCurrent.Y, moveAnchor);
}

void TMyCustomGrid::KeyPress(char32_t& Key) {
  if (nowUpdating_) {
    Key = 0;
    return;
  }
  if (options_.Contains(goEditing) && (Key == 8 || Key >= 32)) {
    const char32_t ch = Key;
    Key = 0;
    ShowEditorChar(ch);
    return;
  }
  GridKeyPress(Key);
}

void TMyCustomGrid::GridKeyPress(char32_t& Key) {
  TCustomScrollControl::KeyPress(Key);
  if (Key == 13 && !options_.Contains(goAlwaysShowEditor)) {
    if (editorMode_)
      HideEditor();
    else
      ShowEditor();
    Key = 0;
  }
}

// ------------------------------------------------------------ focus

void TMyCustomGrid::focusEntered() {
  if (!focusWithin_) {
    focusWithin_ = true;
    TCustomScrollControl::DoEnter();
  }
}

void TMyCustomGrid::focusLeft() {
  if (!focusWithin_) return;
  focusWithin_ = false;
  TCustomScrollControl::DoExit();
  if (!options_.Contains(goAlwaysShowEditor)) HideEditor();
}

void TMyCustomGrid::DoEnter() {
  const bool fromEditor = focusWithin_;
  focusEntered();
  if (!fromEditor) {
    InvalidateRect(Selection());
    UpdateEdit();
  }
}

void TMyCustomGrid::DoExit() {
  InvalidateRect(Selection());
  const bool toEditor = inplaceEdit_ && inplaceEdit_->Focused();
  if (toEditor) return;
  HideEdit();
  focusLeft();
}

// ------------------------------------------------------------ mouse

void TMyCustomGrid::CalcSizingState(int X, int Y, GridState& State, int& Index, int& SizingPos, int& SizingOfs,
                                    GridDrawInfo& FixedInfo) const {
  State = gsNormal;
  Index = -1;
  CalcDrawInfo(FixedInfo);
  if (!options_.Contains(goColSizing) && !options_.Contains(goRowSizing)) return;
  auto test = [&](const AxisDrawInfo& a, int p, GridState st) {
    const int lw = a.EffectiveLineWidth;
    int range = lw, back = 0;
    if (range < 7) {
      range = 7;
      back = (7 - lw) / 2;
    }
    int line = a.FixedBoundary;
    for (int i = a.FirstGridCell; i < a.GridCellCount; ++i) {
      line += a.GetExtent(i);
      if (line > a.GridBoundary) break;
      if (p >= line - back && p <= line - back + range) {
        State = st;
        SizingPos = line;
        SizingOfs = line - p;
        Index = i;
        return;
      }
      line += lw;
    }
    if (a.GridBoundary == a.GridExtent && p >= a.GridExtent - back && p <= a.GridExtent) {
      // The cell cut by the edge: the first one in view when not even it
      // fits, else the one after the last that fits.
      const int cut = a.FullVisBoundary == a.FixedBoundary ? a.FirstGridCell : a.LastFullVisibleCell + 1;
      if (cut >= a.GridCellCount) return;
      State = st;
      SizingPos = a.GridExtent;
      SizingOfs = a.GridExtent - p;
      Index = cut;
    }
  };
  const AxisDrawInfo &H = FixedInfo.Horz, &V = FixedInfo.Vert;
  // Mirrored, X is measured from the right edge.
  const int lx = mirrorX(X);
  if (lx > H.FixedBoundary && options_.Contains(goColSizing)) {
    if (Y < V.FixedBoundary) test(H, lx, gsColSizing);
  } else if (Y > V.FixedBoundary && options_.Contains(goRowSizing)) {
    if (lx < H.FixedBoundary) test(V, Y, gsRowSizing);
  }
}

bool TMyCustomGrid::Sizing(int X, int Y) const {
  if (gridState_ != gsNormal) return true;
  GridDrawInfo info;
  GridState st;
  int index, pos, ofs;
  CalcSizingState(X, Y, st, index, pos, ofs, info);
  return st != gsNormal;
}

void TMyCustomGrid::updateCursor(int X, int Y) {
  GridState st = gridState_;
  if (st == gsNormal) {
    GridDrawInfo info;
    int index, pos, ofs;
    CalcSizingState(X, Y, st, index, pos, ofs, info);
  }
  const bool sizing = st == gsColSizing || st == gsRowSizing;
  if (sizing) {
    SetCursor(st == gsColSizing ? crHSplit : crVSplit);
    sizeCursor_ = true;
  } else if (sizeCursor_) {
    SetCursor(crDefault);
    sizeCursor_ = false;
  }
}

void TMyCustomGrid::setMarks(bool sizing, bool moving) {
  GridDrawInfo info;
  CalcDrawInfo(info);
  if (sizingMark_ || sizing) invalidateMark(info, gridState_, sizingPos_, sizingIndex_);
  if (moveMark_ || moving) invalidateMark(info, gridState_, movePos_, moveIndex_);
  sizingMark_ = sizing;
  moveMark_ = moving;
}

bool TMyCustomGrid::BeginColumnDrag(int&, int&, TPoint) { return true; }
bool TMyCustomGrid::BeginRowDrag(int&, int&, TPoint) { return true; }
bool TMyCustomGrid::CheckColumnDrag(int&, int&, TPoint) { return true; }
bool TMyCustomGrid::CheckRowDrag(int&, int&, TPoint) { return true; }
bool TMyCustomGrid::EndColumnDrag(int&, int&, TPoint) { return true; }
bool TMyCustomGrid::EndRowDrag(int&, int&, TPoint) { return true; }

void TMyCustomGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  lastMouse_ = TPoint(X, Y);
  if (nowUpdating_) return;
  HideEdit();
  if (CanFocus() || !GetParentForm(this)) {
    if (!Focused()) SetFocus();
    if (!IsActiveControl()) return;
  }
  bool moveMarkDrawn = false;
  if (Button == mbLeft && Shift.Contains(ssDouble)) {
    // The toolkit has run DblClick for this press already. The window
    // system makes the second press of a double click this one, never a
    // plain press, so it is also the click on the cell that the first press
    // made current: under goEditing that click opens the cell's editor (the
    // double-click handler may have moved the current cell or switched
    // editing on; what holds now counts).
    GridDrawInfo info;
    CalcDrawInfo(info);
    const GridCoord cell = CalcCoordFromPoint(X, Y, info);
    if (options_.Contains(goEditing) && cell == current_ && cell.X >= fixedCols_ && cell.Y >= fixedRows_)
      ShowEditor();
  } else if (Button == mbLeft) {
    GridDrawInfo info;
    GridState st;
    int index, pos, ofs;
    CalcSizingState(X, Y, st, index, pos, ofs, info);
    if (st != gsNormal) {
      gridState_ = st;
      sizingIndex_ = index;
      sizingPos_ = pos;
      sizingOfs_ = ofs;
      // The mark is drawn where the screen shows the line.
      if (st == gsColSizing) sizingPos_ = mirrorX(pos);
      setMarks(true, false);
      if (inplaceEdit_) inplaceEdit_->ClickTime = GetTickCount64();
      return;
    }
    const GridCoord cell = CalcCoordFromPoint(X, Y, info);
    if (cell.X >= fixedCols_ && cell.Y >= fixedRows_) {
      if (options_.Contains(goEditing)) {
        if (cell == current_) {
          ShowEditor();
        } else {
          MoveCurrent(cell.X, cell.Y, true, true);
          UpdateEdit();
        }
        Click();
      } else {
        gridState_ = gsSelecting;
        startTimer();
        if (Shift.Contains(ssShift))
          MoveAnchor(cell);
        else
          MoveCurrent(cell.X, cell.Y, true, true);
      }
    } else if (options_.Contains(goRowMoving) && cell.X >= 0 && cell.X < fixedCols_ && cell.Y >= fixedRows_) {
      moveIndex_ = movePos_ = cell.Y;
      if (BeginRowDrag(moveIndex_, movePos_, Point(X, Y))) {
        gridState_ = gsRowMoving;
        Update();
        setMarks(false, true);
        moveMarkDrawn = true;
        startTimer();
      }
    } else if (options_.Contains(goColMoving) && cell.Y >= 0 && cell.Y < fixedRows_ && cell.X >= fixedCols_) {
      moveIndex_ = movePos_ = cell.X;
      if (BeginColumnDrag(moveIndex_, movePos_, Point(X, Y))) {
        gridState_ = gsColMoving;
        Update();
        setMarks(false, true);
        moveMarkDrawn = true;
        startTimer();
      }
    }
  }
  if (Button == mbLeft && inplaceEdit_) inplaceEdit_->ClickTime = GetTickCount64();
  try {
    TCustomScrollControl::MouseDown(Button, Shift, X, Y);
  } catch (...) {
    // Not passed on; a move mark of this press goes.
    if (moveMarkDrawn) {
      setMarks(false, false);
      stopTimer();
      gridState_ = gsNormal;
    }
  }
}

void TMyCustomGrid::moveAndScroll(int mouse, int cellHit, GridDrawInfo& info, bool columns, TPoint mousePt) {
  const AxisDrawInfo* a = columns ? &info.Horz : &info.Vert;
  if (columns) mouse = mirrorX(mouse);
  if (cellHit == movePos_) return;
  if (movePos_ == a->FixedCellCount && mouse < a->FixedBoundary) return;
  if (movePos_ == a->GridCellCount - 1 && mouse > a->GridBoundary) return;
  setMarks(false, false);
  const TScrollBarKind bar = columns ? sbHorizontal : sbVertical;
  if (mouse < a->FixedBoundary) {
    if (movePos_ > a->FixedCellCount) {
      ModifyScrollBar(bar, scLineUp, 0, false);
      Update();
      CalcDrawInfo(info);
      a = columns ? &info.Horz : &info.Vert;
    }
    cellHit = a->FirstGridCell;
  } else if (mouse >= a->FullVisBoundary) {
    if (movePos_ == a->LastFullVisibleCell && movePos_ < a->GridCellCount - 1) {
      ModifyScrollBar(bar, scLineDown, 0, false);
      Update();
      CalcDrawInfo(info);
      a = columns ? &info.Horz : &info.Vert;
    }
    cellHit = a->LastFullVisibleCell;
  } else if (cellHit < 0) {
    cellHit = movePos_;
  }
  const bool ok = columns ? CheckColumnDrag(moveIndex_, cellHit, mousePt) : CheckRowDrag(moveIndex_, cellHit, mousePt);
  if (ok) movePos_ = cellHit;
  setMarks(false, true);
}

void TMyCustomGrid::MouseMove(TShiftState Shift, int X, int Y) {
  lastMouse_ = TPoint(X, Y);
  if (!nowUpdating_) {
    GridDrawInfo info;
    CalcDrawInfo(info);
    switch (gridState_) {
      case gsSelecting:
      case gsColMoving:
      case gsRowMoving: {
        const GridCoord cell = CalcCoordFromPoint(X, Y, info);
        if (cell.X >= fixedCols_ && cell.Y >= fixedRows_ && cell.X <= info.Horz.LastFullVisibleCell + 1 &&
            cell.Y <= info.Vert.LastFullVisibleCell + 1) {
          if (gridState_ == gsSelecting) {
            if (!(cell == anchor_)) MoveAnchor(cell);
          } else if (gridState_ == gsColMoving) {
            moveAndScroll(X, cell.X, info, true, Point(X, Y));
          } else {
            moveAndScroll(Y, cell.Y, info, false, Point(X, Y));
          }
        }
        break;
      }
      case gsRowSizing:
      case gsColSizing:
        setMarks(false, false);
        if (gridState_ == gsRowSizing)
          sizingPos_ = Y + sizingOfs_;
        else
          sizingPos_ = UseRightToLeftAlignment() ? X - sizingOfs_ : X + sizingOfs_;
        setMarks(true, false);
        break;
      default: break;
    }
    updateCursor(X, Y);
  }
  TCustomScrollControl::MouseMove(Shift, X, Y);
}

void TMyCustomGrid::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  lastMouse_ = TPoint(X, Y);
  try {
    switch (gridState_) {
      case gsSelecting:
        MouseMove(Shift, X, Y);
        stopTimer();
        UpdateEdit();
        Click();
        break;
      case gsRowSizing:
      case gsColSizing: {
        GridDrawInfo info;
        CalcDrawInfo(info);
        setMarks(false, false);
        const bool cols = gridState_ == gsColSizing;
        const AxisDrawInfo& a = cols ? info.Horz : info.Vert;
        int used = a.FixedBoundary;
        for (int i = a.FirstGridCell; i < sizingIndex_; ++i) used += a.GetExtent(i) + a.EffectiveLineWidth;
        const int at = cols ? mirrorX(sizingPos_) : sizingPos_;
        const int newSize = at - used;
        if (newSize > 1) {
          if (cols) {
            if (ColWidths(sizingIndex_) != -1) SetColWidths(sizingIndex_, newSize);
          } else {
            SetRowHeights(sizingIndex_, newSize);
          }
        }
        break;
      }
      case gsColMoving:
      case gsRowMoving: {
        setMarks(false, false);
        stopTimer();
        const bool cols = gridState_ == gsColMoving;
        const bool ok = cols ? EndColumnDrag(moveIndex_, movePos_, Point(X, Y)) : EndRowDrag(moveIndex_, movePos_, Point(X, Y));
        if (ok && movePos_ != moveIndex_) {
          if (cols)
            MoveColumn(moveIndex_, movePos_);
          else
            MoveRow(moveIndex_, movePos_);
        }
        UpdateEdit();
        break;
      }
      default:
        UpdateEdit();
        break;
    }
    gridState_ = gsNormal;
    TCustomScrollControl::MouseUp(Button, Shift, X, Y);
  } catch (...) {
    gridState_ = gsNormal;
    sizingMark_ = moveMark_ = false;
    stopTimer();
    throw;
  }
  gridState_ = gsNormal;
}

bool TMyCustomGrid::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
  if (TCustomScrollControl::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
  if (WheelDelta == 0 || nowUpdating_) return false;
  if (WheelDelta < 0) {
    if (!DoMouseWheelDown(Shift, MousePos) && Row() < rowCount_ - 1) SetRow(Row() + 1);
  } else {
    if (!DoMouseWheelUp(Shift, MousePos) && Row() > fixedRows_) SetRow(Row() - 1);
  }
  return true;
}

bool TMyCustomGrid::DoMouseWheelDown(TShiftState, TPoint) { return false; }
bool TMyCustomGrid::DoMouseWheelUp(TShiftState, TPoint) { return false; }

void TMyCustomGrid::CancelMode() {
  if (inplaceEdit_) inplaceEdit_->CancelMode();
  switch (gridState_) {
    case gsSelecting: stopTimer(); break;
    case gsRowSizing:
    case gsColSizing: setMarks(false, false); break;
    case gsRowMoving:
    case gsColMoving:
      setMarks(false, false);
      stopTimer();
      break;
    default: break;
  }
  gridState_ = gsNormal;
}

void TMyCustomGrid::Resize() {
  TCustomScrollControl::Resize();
  UpdateScrollRange();
  // Mirrored, every column moves with the right edge.
  if (UseRightToLeftAlignment()) InvalidateGrid();
}

void TMyCustomGrid::FontChanged() {
  TCustomScrollControl::FontChanged();
  if (inplaceEdit_) inplaceEdit_->SetFont(Font());
}

// ------------------------------------------------------------ moving lines

void TMyCustomGrid::MoveAdjust(int& CellPos, int FromIndex, int ToIndex) {
  if (CellPos == FromIndex) {
    CellPos = ToIndex;
  } else if (FromIndex < ToIndex) {
    if (CellPos > FromIndex && CellPos <= ToIndex) --CellPos;
  } else if (FromIndex > ToIndex) {
    if (CellPos >= ToIndex && CellPos < FromIndex) ++CellPos;
  }
}

void TMyCustomGrid::MoveColumn(int FromIndex, int ToIndex) {
  checkIndex(FromIndex, colCount_);
  checkIndex(ToIndex, colCount_);
  if (FromIndex == ToIndex) return;
  if (colWidths_.Exists()) {
    if (colWidths_.Count() != colCount_) SizesArray::SetCount(colWidths_, colCount_, defaultColWidth_);
    SizesArray::MoveEntry(colWidths_, FromIndex + 1, ToIndex + 1);
  }
  if (tabStops_.Exists()) {
    if (tabStops_.Count() != colCount_) SizesArray::SetCount(tabStops_, colCount_, 1);
    SizesArray::MoveEntry(tabStops_, FromIndex + 1, ToIndex + 1);
  }
  MoveAdjust(current_.X, FromIndex, ToIndex);
  MoveAdjust(anchor_.X, FromIndex, ToIndex);
  if (inplaceCol_ >= 0) MoveAdjust(inplaceCol_, FromIndex, ToIndex);
  if (hasWindow()) {
    GridDrawInfo info;
    CalcDrawInfo(info);
    InvalidateRect(GridRect{std::min(FromIndex, ToIndex), 0, std::max(FromIndex, ToIndex), info.Vert.LastFullVisibleCell + 1});
  }
  ColumnMoved(FromIndex, ToIndex);
  if (colWidths_.Exists()) ColWidthsChanged();
  UpdateEdit();
}

void TMyCustomGrid::MoveRow(int FromIndex, int ToIndex) {
  checkIndex(FromIndex, rowCount_);
  checkIndex(ToIndex, rowCount_);
  if (FromIndex == ToIndex) return;
  if (rowHeights_.Exists()) {
    if (rowHeights_.Count() != rowCount_) SizesArray::SetCount(rowHeights_, rowCount_, defaultRowHeight_);
    SizesArray::MoveEntry(rowHeights_, FromIndex + 1, ToIndex + 1);
  }
  MoveAdjust(current_.Y, FromIndex, ToIndex);
  MoveAdjust(anchor_.Y, FromIndex, ToIndex);
  if (inplaceRow_ >= 0) MoveAdjust(inplaceRow_, FromIndex, ToIndex);
  if (hasWindow()) {
    GridDrawInfo info;
    CalcDrawInfo(info);
    InvalidateRect(GridRect{0, std::min(FromIndex, ToIndex), info.Horz.LastFullVisibleCell + 1, std::max(FromIndex, ToIndex)});
  }
  RowMoved(FromIndex, ToIndex);
  if (rowHeights_.Exists()) RowHeightsChanged();
  UpdateEdit();
}

void TMyCustomGrid::DeleteColumn(int ACol) {
  MoveColumn(ACol, colCount_ - 1);
  SetColCount(colCount_ - 1);
}

void TMyCustomGrid::DeleteRow(int ARow) {
  MoveRow(ARow, rowCount_ - 1);
  SetRowCount(rowCount_ - 1);
}

bool TMyCustomGrid::SelectCell(int, int) { return true; }

void TMyCustomGrid::ResizeLines(int Index, int Amount, bool Rows) {
  if (Amount == 0) return;
  const int oldCols = colCount_, oldRows = rowCount_;
  int& count = Rows ? rowCount_ : colCount_;
  if (count + Amount < Index) throw EInvalidGridOperation("Too many rows or columns deleted");
  SizesArray& sizes = Rows ? rowHeights_ : colWidths_;
  const int def = Rows ? defaultRowHeight_ : defaultColWidth_;
  const int lw = gridLineWidth_;
  int pixels = 0;
  if (Amount < 0 && sizes.Exists()) {
    for (int i = Index; i < Index - Amount && i < sizes.Count(); ++i) pixels += sizes[i] + lw;
  } else {
    pixels = std::abs(Amount) * (def + lw);
  }
  if (sizes.Exists()) {
    if (sizes.Count() != count) SizesArray::SetCount(sizes, count, def);
    SizesArray::Resize(sizes, std::min(Index, sizes.Count()), Amount, def);
  }
  if (!Rows && tabStops_.Exists()) {
    if (tabStops_.Count() != count) SizesArray::SetCount(tabStops_, count, 1);
    SizesArray::Resize(tabStops_, std::min(Index, tabStops_.Count()), Amount, 1);
  }
  count += Amount;
  GridCoord target = current_;
  int& pos = Rows ? target.Y : target.X;
  if (pos >= Index) {
    if (Amount < 0 && pos < Index - Amount) pos = Index;
    else pos += Amount;
  }
  pos = std::clamp(pos, 0, count - 1);
  if (hasWindow()) {
    GridDrawInfo info;
    CalcDrawInfo(info);
    const int first = Rows ? topLeft_.Y : topLeft_.X;
    const TRect r = Rows ? BoxRect(0, std::max(Index, first), info.Horz.LastFullVisibleCell + 1, info.Vert.LastFullVisibleCell + 1)
                         : BoxRect(std::max(Index, first), 0, info.Horz.LastFullVisibleCell + 1, info.Vert.LastFullVisibleCell + 1);
    const int d = Amount > 0 ? pixels : -pixels;
    if (Rows)
      ScrollRect(0, d, Rect(0, r.Top, ClientWidth(), ClientHeight()));
    else
      ScrollRect(d, 0, Rect(r.Left, 0, ClientWidth(), ClientHeight()));
    Update();
  }
  holdTopLeft();
  SizeChanged(oldCols, oldRows);
  if (!(target == current_) || current_.X >= colCount_ || current_.Y >= rowCount_) {
    current_.X = std::min(current_.X, colCount_ - 1);
    current_.Y = std::min(current_.Y, rowCount_ - 1);
    MoveCurrent(target.X, target.Y, true, true);
  }
  UpdateScrollRange();
}
