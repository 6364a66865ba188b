#pragma once
// A custom control framed like a classic list window: an optional sunken
// 2-pixel client edge and optional horizontal and vertical scroll bars
// (17 pixels thick) inside it. Client size, painting, mouse coordinates and
// the bounds of children count from the client area, without edge and bars.
// A bar is shown when the control provides it and its range is not empty
// (with a page size: when the page does not cover the range); a bar that
// appears or goes changes the client size and runs Resize.
// The operator's use of a bar reaches ScrollBarCode as the classic scroll
// codes; the bar itself moves only when the control sets its position
// (except the thumb, which follows the mouse while it is dragged).
#include <memory>
#include "toolkit/Controls.h"

enum TScrollBarKind { sbHorizontal, sbVertical };
// Scroll codes, in the platform's order.
enum TScrollCode { scLineUp = 0, scLineDown = 1, scPageUp = 2, scPageDown = 3, scPosition = 4, scTrack = 5,
                   scTop = 6, scBottom = 7, scEndScroll = 8 };

class TCustomScrollControl : public TCustomControl {
 public:
  static constexpr int ScrollBarSize = 17;
  static constexpr int ClientEdgeSize = 2;
  explicit TCustomScrollControl(TComponent* AOwner);
  ~TCustomScrollControl() override;

  bool ClientEdge() const { return clientEdge_; }
  void SetClientEdge(bool v);
  // Which bars the window has at all.
  bool HasScrollBar(TScrollBarKind k) const { return bar(k).has; }
  void SetHasScrollBars(bool horz, bool vert);
  // Range, position and page of a bar (the page 0: no proportional thumb).
  // The position is held within Min .. Max - max(Page - 1, 0).
  void SetScrollRange(TScrollBarKind k, int min, int max, bool redraw = true);
  int ScrollMin(TScrollBarKind k) const { return bar(k).min; }
  int ScrollMax(TScrollBarKind k) const { return bar(k).max; }
  void SetScrollPos(TScrollBarKind k, int pos, bool redraw = true);
  int ScrollPos(TScrollBarKind k) const { return bar(k).pos; }
  void SetScrollPage(TScrollBarKind k, int page, bool redraw = true);
  int ScrollPage(TScrollBarKind k) const { return bar(k).page; }
  // Whether the bar is on the screen now.
  bool ScrollBarVisible(TScrollBarKind k) const;

  TPoint ClientOffset() const override;
  int ClientWidth() const override;
  int ClientHeight() const override;
  // Runs a scroll code as if the operator had used the bar (tests, keys).
  void ScrollBarAction(TScrollBarKind k, TScrollCode code, int pos = 0);
  String ClassName() const override { return "TCustomScrollControl"; }

 protected:
  // The operator used a bar: code and, for scPosition and scTrack, the
  // thumb position.
  virtual void ScrollBarCode(TScrollBarKind k, TScrollCode code, int pos) { (void)k; (void)code; (void)pos; }
  void PaintNonClient() override;
  void Resize() override;

 private:
  struct Bar {
    bool has = false;
    int min = 0, max = 0, pos = 0, page = 0;
  };
  const Bar& bar(TScrollBarKind k) const { return k == sbHorizontal ? h_ : v_; }
  Bar& bar(TScrollBarKind k) { return k == sbHorizontal ? h_ : v_; }
  bool wantsBar(TScrollBarKind k) const;
  // Places and shows the bars; runs Resize when the client size changed.
  void layoutBars(bool notify);
  void syncBar(TScrollBarKind k);
  struct Impl;
  std::unique_ptr<Impl> impl_;
  Bar h_, v_;
  bool clientEdge_ = false, inLayout_ = false;
};
