// Layout editor: selecting objects, the object menu's states and actions,
// style copy and paste, the placing question and the layout messages.
#include <QTimer>
#include "ConsoleFixture.h"
#include "OperatorHands.h"
#include "console/FObjPic.h"
#include "console/FObjText.h"
#include "controls/DialClock.h"
#include "controls/Handles.h"
#include "controls/RunLabel.h"
#include "controls/Label3D.h"
#include "toolkit/MouseTools.h"
#include "toolkit/Registry.h"

class LayoutEditorTest : public ConsoleFixture {
 protected:
  TFormMain* Start(int W = 384, int H = 256) {
    EditKey([&](TRegistry& r) {
      r.WriteInteger("XWidth", W);
      r.WriteInteger("YHeight", H);
    });
    return Create();
  }
  // Selects Obj on Sheet and opens the object menu.
  void Select(TTabSheet* Sheet, TControl* Obj) {
    form_->PageControl1->SetActivePage(Sheet);
    form_->AttachDblClick(Obj);
    form_->PopMenuEditPopup(form_->PopMenuEdit);
  }
};

TEST_F(LayoutEditorTest, MenuStatesFollowTheObjectAndThePage) {
  TFormMain* f = Start();
  struct Case { TTabSheet* sheet; TControl* obj; bool edit, fon; };
  const Case cases[] = {
      {f->TabSheet1, f->eTablo_K1, true, true},         {f->TabSheet1, f->ImageFon0, true, true},
      {f->TabSheet2, f->TabloGol_Paint, true, true},    {f->TabSheet3, f->PaintSostav, true, false},
      {f->Sheet_Clock, f->DialClock1, false, true},     {f->Sheet_Stat, f->LabelStat, true, true},
      {f->TabSheet4, f->ImageOut, true, true},          {f->Sheet_TV, f->RunStr, false, false},
  };
  for (const Case& c : cases) {
    Select(c.sheet, c.obj);
    EXPECT_EQ(f->SelectedObject(), c.obj);
    EXPECT_EQ(f->mObjEdit->Enabled(), c.edit) << c.obj->Name();
    EXPECT_EQ(f->mObjPropCopy->Enabled(), c.edit) << c.obj->Name();
    EXPECT_EQ(f->mObjFon->Enabled(), c.fon) << c.obj->Name();
    EXPECT_FALSE(f->mObjPropPaste->Enabled());
  }
  // Pasting only between objects of one class.
  Select(f->TabSheet1, f->eTablo_K1);
  f->mObjPropCopyClick(f->mObjPropCopy);
  Select(f->TabSheet1, f->iTablo_Logo1);
  EXPECT_FALSE(f->mObjPropPaste->Enabled());
  Select(f->TabSheet1, f->eTablo_K2);
  EXPECT_TRUE(f->mObjPropPaste->Enabled());
  // A double click on the handle ends the selection; so does a page change.
  f->StretchHandle1DblClick(f->StretchHandle1);
  EXPECT_EQ(f->SelectedObject(), nullptr);
  EXPECT_EQ(f->StretchHandle1->Hint(), "");
  Select(f->TabSheet1, f->eTablo_K1);
  f->PageControl1->SetActivePage(f->TabSheet2);
  f->PageControl1Change(f->PageControl1);
  EXPECT_FALSE(f->StretchHandle1->Attached());
}

TEST_F(LayoutEditorTest, MoveAndPlaceItemsByTag) {
  TFormMain* f = Start(320, 240);
  TControl* obj = f->eTablo_K1;
  struct Case { int tag; TRect want; };
  const Case cases[] = {
      {0, Bounds(0, 50, 80, 30)},    {1, Bounds(240, 50, 80, 30)}, {2, Bounds(100, 0, 80, 30)},
      {3, Bounds(100, 210, 80, 30)}, {4, Bounds(120, 50, 80, 30)}, {5, Bounds(100, 105, 80, 30)},
      {6, Bounds(0, 50, 320, 30)},   {7, Bounds(100, 0, 80, 240)}, {8, Bounds(100, 50, 80, 30)},
      {9, Bounds(100, 50, 80, 30)},
  };
  TMenuItem* items[] = {f->mObjMoveL,  f->mObjMoveR,  f->mObjMoveT, f->mObjMoveB,  f->mObjAlignCX,
                        f->mObjAlignCY, f->mObjAlignW, f->mObjAlignH, f->mObjPorTop, f->mObjPorBottom};
  for (const Case& c : cases) {
    obj->SetBounds(100, 50, 80, 30);
    Select(f->TabSheet1, obj);
    EXPECT_EQ(items[c.tag]->Tag(), c.tag);
    items[c.tag]->Click();
    EXPECT_EQ(obj->BoundsRect(), c.want) << c.tag;
    EXPECT_EQ(f->StretchHandle1->BoundsRect(),
              Rect(c.want.Left - 2, c.want.Top - 2, c.want.Right + 3, c.want.Bottom + 3)) << c.tag;
    EXPECT_EQ(f->StretchHandle1->Hint(), TFormMain::GeometryHint(obj));
  }
  // Front and back among the page's graphic objects.
  f->mObjPorTop->Click();   // selected: eTablo_K1
  TWinControl* P = obj->Parent();
  int first = -1, last = -1;
  for (int k = 0; k < P->ControlCount(); ++k)
    if (P->Controls(k) == obj) last = k;
  f->mObjPorBottom->Click();
  for (int k = 0; k < P->ControlCount(); ++k)
    if (P->Controls(k) == obj) first = k;
  EXPECT_EQ(first, 0);
  EXPECT_GT(last, 5);
  obj->SetBounds(100, 50, 80, 30);
  f->AttachDblClick(obj);
  EXPECT_EQ(f->StretchHandle1->Hint(), "Position: 100,50\r\nSize: 80x30");
}

TEST_F(LayoutEditorTest, MouseSelectsAndPropertiesOfOtherClassesOnlyTell) {
  TFormMain* f = Start();
  // A middle click on the clock: selected, and its properties only told.
  SendMouseButton(f->DialClock1, mbMiddle, true, TPoint(5, 5));
  EXPECT_EQ(f->SelectedObject(), f->DialClock1);
  ASSERT_EQ(requests_.size(), 1u);
  EXPECT_EQ(requests_[0].Msg, "Object properties \"TDialClock\" not edit...");
  EXPECT_EQ(requests_[0].Buttons, TMsgDlgButtons{mbOK});
  // A left press selects nothing; a right one does.
  SendMouseButton(f->eTablo_K1, mbLeft, true, TPoint(5, 5));
  EXPECT_EQ(f->SelectedObject(), f->DialClock1);
  SendMouseButton(f->eTablo_K1, mbRight, true, TPoint(5, 5));
  EXPECT_EQ(f->SelectedObject(), f->eTablo_K1);
  // A right click beside the selection (the captured press reaches the
  // handle) selects the label beneath.
  TStretchHandle* h = f->StretchHandle1;
  const TControl* k2 = f->eTablo_K2;
  SendMouseButton(h, mbRight, true, TPoint(k2->Left() + 4 - h->Left(), k2->Top() + 4 - h->Top()));
  EXPECT_EQ(f->SelectedObject(), f->eTablo_K2);
}

TEST_F(LayoutEditorTest, PasteCopiesStyleAndSizeOnly) {
  TFormMain* f = Start();
  TLabel3D* src = f->eTablo_K1;
  TLabel3D* dst = f->eTablo_Town2;
  src->SetBounds(3, 4, 111, 33);
  src->Font()->SetSize(31);
  src->SetBorderStyle(lbRaised);
  src->SetFillGradient(true);
  dst->SetBounds(200, 150, 50, 20);
  Select(f->TabSheet1, src);
  f->mObjPropCopyClick(f->mObjPropCopy);
  Select(f->TabSheet1, dst);
  f->mObjPropPasteClick(f->mObjPropPaste);
  EXPECT_EQ(dst->BoundsRect(), Bounds(200, 150, 111, 33));
  EXPECT_EQ(dst->Font()->Size(), 31);
  EXPECT_EQ(dst->BorderStyle(), lbRaised);
  EXPECT_TRUE(dst->FillGradient());
  EXPECT_EQ(dst->Caption(), "Town");
  EXPECT_EQ(f->SelectedObject(), dst);
}

TEST_F(LayoutEditorTest, PlacingQuestionAndLayoutMessages) {
  TFormMain* f = Start();
  f->eTablo_K1->SetBounds(1, 2, 3, 4);
  answer_ = mrNo;
  f->tbNewTabloClick(f->tbNewTablo);
  ASSERT_EQ(requests_.size(), 1u);
  EXPECT_EQ(requests_[0].Msg, "Automatically to place objects for a screen?");
  EXPECT_EQ(f->eTablo_K1->BoundsRect(), Bounds(1, 2, 3, 4));
  answer_ = mrYes;
  f->tbNewTabloClick(f->tbNewTablo);
  EXPECT_EQ(f->eTablo_K1->Top(), 128);

  // The open button tells at once; a start-up load once the window is up.
  WriteFile("Views/lack.txt", "[Tablo1.5]\nName=eTablo_K1\nLeft=7\n");
  CommonDialogHook = [&](TCommonDialog* d) {
    static_cast<TOpenDialog*>(d)->FileName = app_ + "Views/lack.txt";
    return true;
  };
  requests_.clear();
  f->tbOpenTabloClick(f->tbOpenTablo);
  CommonDialogHook = nullptr;
  ASSERT_EQ(requests_.size(), 1u);
  EXPECT_NE(requests_[0].Msg.find("eTablo_K1"), String::npos);
  Destroy();
  WriteFile("Views/tablo_test.txt", "[Tablo1.5]\nName=eTablo_K1\nLeft=7\n");
  requests_.clear();
  f = Create();
  EXPECT_TRUE(requests_.empty());
  f->ShowStartupProblems();
  ASSERT_EQ(requests_.size(), 1u);
  EXPECT_NE(requests_[0].Msg.find("eTablo_K1"), String::npos);
  f->ShowStartupProblems();
  EXPECT_EQ(requests_.size(), 1u);
}

TEST_F(LayoutEditorTest, TextDialogGivesStatisticsCaptionsTheirNewText) {
  TFormMain* f = Start();
  auto* dialog = new TFormObjText(nullptr);
  for (TLabel3D* obj : {f->eTabloStat_Label[1], f->eTablo_K1}) {
    const String before = obj->Caption();
    Select(f->Sheet_Stat, obj);
    QTimer::singleShot(0, [dialog] {
      dialog->eText->SetText("NEW TEXT");
      dialog->LabelDemo->SetBorderStyle(lbInn);
      dialog->SetModalResult(mrOk);
    });
    f->mObjEditClick(f->mObjEdit);
    EXPECT_EQ(obj->BorderStyle(), lbInn);
    EXPECT_EQ(obj->Caption(), obj == f->eTablo_K1 ? before : String("NEW TEXT"));
  }
  delete dialog;
}

// The object menu's "Properties" chosen as the operator does (a right click
// on the object, a right click again for the menu, the item clicked or
// picked with the keys) or a middle click on the object, and the dialog
// closed by a click on its button or by a key, twice each way: the console
// lives on, and the dialog takes the mouse (no control keeps it captured, a
// click on its button reaches it).
TEST_F(LayoutEditorTest, PropertiesDialogsOpenFromTheMenuAndTakeMouseAndKeys) {
  TFormMain* f = Start();
  TFormObjText text(nullptr);
  TFormObjPic pic(nullptr);
  f->Show();
  enum class Open { MenuClick, MenuKeys, MiddleClick };
  struct Row {
    const char* name;
    TTabSheet* sheet;
    TControl* obj;
    Open open;
    TCustomForm* dialog;    // null: the font dialog
    TButton* button;        // clicked to close; null: a key
    uint16_t key;
  };
  const Row rows[] = {
      {"text, OK clicked", f->TabSheet1, f->eTablo_K1, Open::MenuClick, &text, text.Button2, 0},
      {"text by keys, Escape", f->TabSheet1, f->eTablo_K1, Open::MenuKeys, &text, nullptr, VK_ESCAPE},
      {"text by middle click, OK clicked", f->TabSheet1, f->eTablo_K1, Open::MiddleClick, &text, text.Button2, 0},
      {"picture, Return", f->TabSheet1, f->iTablo_Logo1, Open::MenuClick, &pic, nullptr, VK_RETURN},
      {"picture by middle click, OK clicked", f->TabSheet1, f->iTablo_Logo1, Open::MiddleClick, &pic, pic.Button1, 0},
      {"font", f->TabSheet3, f->PaintSostav, Open::MenuClick, nullptr, nullptr, 0},
  };
  hands::ChooseSheet(f->Sheet_Tablo);
  for (const Row& r : rows) {
    const TPoint at(r.obj->Width() / 2, r.obj->Height() / 2);
    for (int round = 0; round < 2; ++round) {
      SCOPED_TRACE(String(r.name) + ", round " + IntToStr(round + 1));
      // Another page first: nothing selected.
      hands::ChooseSheet(f->TabSheet2);
      hands::ChooseSheet(r.sheet);
      int opened = 0;
      bool captured = false;
      // The dialog's turn, once it has the keyboard (its loop runs then).
      const TNotifyEvent activated = r.dialog ? r.dialog->OnActivate : nullptr;
      if (r.dialog) {
        r.dialog->OnActivate = [&](TObject*) {
          if (opened++) return;
          captured = GetCaptureControl() != nullptr;
          // The middle button that opened it comes up first.
          if (r.open == Open::MiddleClick) SendWindowMouseButton(r.obj, mbMiddle, false, at);
          if (r.button) {
            const TPoint mid(r.button->Width() / 2, r.button->Height() / 2);
            SendWindowMouseButton(r.button, mbLeft, true, mid);
            SendWindowMouseButton(r.button, mbLeft, false, mid);
          } else {
            SendWindowKey(r.key);
          }
          if (r.dialog->ModalResult() == mrNone) {
            ADD_FAILURE() << "the dialog did not take the operator's input";
            r.dialog->SetModalResult(mrCancel);
          }
        };
      } else {
        CommonDialogHook = [&](TCommonDialog*) {
          ++opened;
          captured = GetCaptureControl() != nullptr;
          return false;
        };
      }
      if (r.open == Open::MiddleClick) {
        SendWindowMouseButton(r.obj, mbMiddle, true, at);
      } else {
        // Right clicks until the menu shows: the first one selects the
        // object, the next one (on its handle) brings the menu.
        for (int click = 0; click < 2 && !f->PopMenuEdit->ShownMenu(); ++click) {
          SendWindowMouseButton(r.obj, mbRight, true, at);
          SendWindowMouseButton(r.obj, mbRight, false, at);
          Application->ProcessMessages();
        }
        ASSERT_EQ(f->SelectedObject(), r.obj);
        if (r.open == Open::MenuClick) {
          ASSERT_TRUE(f->PopMenuEdit->ClickShownItem("Properties"));
        } else {
          ASSERT_NE(f->PopMenuEdit->ShownMenu(), nullptr);
          SendWindowKey(VK_DOWN);
          SendWindowKey(VK_RETURN);
        }
      }
      Application->ProcessMessages();
      CommonDialogHook = nullptr;
      if (r.dialog) r.dialog->OnActivate = activated;
      EXPECT_EQ(opened, 1);
      EXPECT_FALSE(captured) << "a control kept the mouse while the dialog was up";
      EXPECT_TRUE(r.dialog == nullptr || !r.dialog->Visible());
      EXPECT_EQ(f->SelectedObject(), r.obj);
    }
  }
}
