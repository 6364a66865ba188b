// Every control of every sheet can be seen at every output size the
// configuration offers, on the screens the console is run on: it lies inside
// its sheet's visible or scrollable area (and inside any other container it
// sits in), no windowed sibling covers it, and scrolling the sheet through
// its bars brings it into view.
#include <QScrollBar>
#include <QWidget>
#include <cstdlib>
#include "ConsoleFixture.h"
#include "OperatorHands.h"
#include "console/FrMedia.h"
#include "controls/ButtonWithColor.h"
#include "toolkit/Spin.h"

namespace {

struct Problems {
  std::vector<String> list;
  void add(const String& s) { list.push_back(s); }
};

String Where(const TControl* c) { return c->Name().empty() ? c->ClassName() : c->Name(); }

bool Intersect(const TRect& a, const TRect& b) {
  return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

// Controls whose children are laid out by the control itself.
bool LaysOutItsChildren(const TWinControl* w) {
  return dynamic_cast<const TPageControl*>(w) != nullptr || dynamic_cast<const TToolBar*>(w) != nullptr;
}

// Checks the visible children of container (and theirs). The objects of the
// display pages are placed by the layout, over one another by design; only
// the pages themselves are checked.
void CheckChildren(TWinControl* container, const String& where, Problems& p) {
  if (FormMain && std::find(FormMain->LayoutPages.begin(), FormMain->LayoutPages.end(), container) !=
                      FormMain->LayoutPages.end())
    return;
  const int n = container->ControlCount();
  const TRect client = container->ClientRect();
  const TPoint limit = container->ScrollLimit();
  const TRect reach(0, 0, client.Right + limit.X, client.Bottom + limit.Y);
  for (int i = 0; i < n; ++i) {
    TControl* c = container->Controls(i);
    if (!c->Visible() || c->Width() <= 0 || c->Height() <= 0) continue;
    const TRect r = c->BoundsRect();
    if (!LaysOutItsChildren(container)) {
      if (r.Left < reach.Left || r.Top < reach.Top || r.Right > reach.Right || r.Bottom > reach.Bottom)
        p.add(where + ": " + Where(c) + " lies outside " + Where(container) + " (" + IntToStr(r.Left) + "," +
              IntToStr(r.Top) + "," + IntToStr(r.Right) + "," + IntToStr(r.Bottom) + " in " +
              IntToStr(reach.Right) + "x" + IntToStr(reach.Bottom) + ")");
      // Windowed siblings above it (later in the list) must not cover it.
      for (int k = i + 1; k < n; ++k) {
        TControl* s = container->Controls(k);
        if (!s->Visible() || !dynamic_cast<TWinControl*>(s)) continue;
        if (Intersect(r, s->BoundsRect())) p.add(where + ": " + Where(c) + " is covered by " + Where(s));
      }
    }
    auto* w = dynamic_cast<TWinControl*>(c);
    if (w && !dynamic_cast<TTabSheet*>(w)) CheckChildren(w, where, p);
  }
}

// Scrolls the sheet to its far corner through its bars and checks that the
// widget of its last-reaching child then shows inside the sheet.
void CheckScrolling(TTabSheet* sheet, const String& where, Problems& p) {
  const TPoint limit = sheet->ScrollLimit();
  if (limit.X == 0 && limit.Y == 0) return;
  QWidget* w = sheet->Widget();
  int bars = 0;
  for (QScrollBar* b : w->findChildren<QScrollBar*>(Qt::FindDirectChildrenOnly)) {
    if (!b->isVisible()) continue;
    ++bars;
    b->setValue(b->maximum());
  }
  if (bars == 0) p.add(where + ": scrolls but shows no bar");
  if (!(sheet->ScrollPosition() == limit)) p.add(where + ": the bars do not reach the scroll limit");
  for (int i = 0; i < sheet->ControlCount(); ++i) {
    TControl* c = sheet->Controls(i);
    if (!c->Visible() || c->Width() <= 0) continue;
    const QRect g = c->Widget()->geometry();
    if (g.right() >= w->width() || g.bottom() >= w->height())
      p.add(where + ": " + Where(c) + " stays beyond the sheet when scrolled to the end");
  }
  for (QScrollBar* b : w->findChildren<QScrollBar*>(Qt::FindDirectChildrenOnly)) b->setValue(0);
}

}  // namespace

class ReachabilityTest : public ConsoleFixture {
 protected:
  void CheckSheet(TTabSheet* sheet, const String& where, Problems& p) {
    hands::ChooseSheet(sheet);
    if (sheet->PageControl()->ActivePage() != sheet) {
      p.add(where + ": its tab does not open it");
      return;
    }
    // The sheet's own area lies on the screen.
    const TPoint tl = sheet->ClientToScreen(TPoint(0, 0));
    if (tl.Y + std::min(sheet->Height(), 40) > Screen->Height())
      p.add(where + ": the sheet starts below the screen");
    CheckChildren(sheet, where, p);
    CheckScrolling(sheet, where, p);
  }
};

TEST_F(ReachabilityTest, EveryControlOfEverySheetIsVisibleOrScrollableAtEveryOutputSize) {
  if (!std::getenv("TABLO_TEST_SCREEN")) GTEST_SKIP() << "runs with a screen configuration (ctest)";
  const int widths[] = {320, 384, 767, 768, 1024};
  const int heights[] = {240, 256, 319, 320, 768};
  for (int w : widths)
    for (int h : heights) {
      EditKey([&](TRegistry& r) {
        r.WriteInteger("XWidth", w);
        r.WriteInteger("YHeight", h);
      });
      TFormMain* f = Create();
      f->Show();
      Application->ProcessMessages();
      const String size = IntToStr(w) + "x" + IntToStr(h) + " on " + IntToStr(Screen->Width()) + "x" +
                          IntToStr(Screen->Height());
      Problems p;
      if (f->Top() + f->Height() > Screen->Height()) p.add(size + ": the window reaches below the screen");
      // The quit button shows at once: inside the sheet, clear of its bars.
      {
        const TRect q = f->sbClose->BoundsRect();
        const TTabSheet* cfg = f->Sheet_Configuration;
        if (q.Right + 17 > cfg->ClientWidth() || q.Top < 0 || q.Bottom + 17 > cfg->ClientHeight())
          p.add(size + ": the quit button is not clear of the configuration sheet's bars");
      }
      // Each side's controls stand under that side's logo; the left team's
      // statistics inputs left of the right team's.
      const std::pair<TControl*, std::vector<TControl*>> sides[] = {
          {f->PanelCom1Im, {f->cbSud_Comanda1, f->seSud_Schet1, f->bSud_Gol1, f->bSud_KY1, f->bSud_KR1, f->bSud_Zamena1}},
          {f->PanelCom2Im, {f->cbSud_Comanda2, f->seSud_Schet2, f->bSud_Gol2, f->bSud_KY2, f->bSud_KR2, f->bSud_Zamena2}}};
      for (const auto& [logo, controls] : sides)
        for (TControl* c : controls)
          if (c->Left() < logo->Left() || c->Left() + c->Width() > logo->Left() + logo->Width())
            p.add(size + ": " + Where(c) + " does not stand under " + Where(logo));
      if (f->StatInputs[1]->ClientToScreen(TPoint(0, 0)).X >= f->StatInputs[8]->ClientToScreen(TPoint(0, 0)).X)
        p.add(size + ": the left team's statistics inputs are not left of the right team's");
      for (int i = 0; i < f->PageControl2->PageCount(); ++i) {
        TTabSheet* sheet = f->PageControl2->Pages(i);
        CheckSheet(sheet, size + " " + sheet->Caption(), p);
        if (sheet != f->Sheet_Tablo) continue;
        // The display pages (tab 0 is the "On the Screen" command).
        for (int k = 1; k < f->PageControl1->PageCount(); ++k) {
          TTabSheet* page = f->PageControl1->Pages(k);
          if (page->TabVisible()) CheckSheet(page, size + " Screens/" + Trim(page->Caption()), p);
        }
      }
      for (const String& s : p.list) ADD_FAILURE() << s;
      Destroy();
    }
}
