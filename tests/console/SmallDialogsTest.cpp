// The console's small dialogs: the text-object dialog's controls and their
// effect on the sample, the stadium dialog's place and contents.
#include "ConsoleFixture.h"
#include "console/FInetAdress.h"
#include "console/FObjPic.h"
#include "console/FObjText.h"
#include "console/FStadion.h"
#include "toolkit/Classes.h"

class SmallDialogsTest : public ConsoleFixture {
 protected:
  void SetUp() override {
    ConsoleFixture::SetUp();
    Create();
    text_ = new TFormObjText(nullptr);
  }
  void TearDown() override {
    delete text_;
    ConsoleFixture::TearDown();
  }
  TFormObjText* text_ = nullptr;
};

TEST_F(SmallDialogsTest, AlignmentChoiceByTag) {
  ASSERT_TRUE(text_->RadioAlign[5]->Checked());   // the centre, by design
  struct Row { int tag; TAlignment a; TTextLayout l; };
  for (Row r : {Row{0, taLeftJustify, tlTop}, Row{5, taCenter, tlCenter}, Row{7, taRightJustify, tlBottom},
                Row{1, taRightJustify, tlTop}, Row{6, taLeftJustify, tlBottom}}) {
    text_->RadioAlign[size_t(r.tag)]->SetChecked(true);
    EXPECT_EQ(text_->LabelDemo->Alignment(), r.a) << r.tag;
    EXPECT_EQ(text_->LabelDemo->Layout(), r.l) << r.tag;
  }
  // The grid's middle column is "centre", its right column "right".
  EXPECT_LT(text_->RadioAlign[2]->Left(), text_->RadioAlign[1]->Left());
  EXPECT_GT(text_->RadioAlign[2]->Left(), text_->RadioAlign[0]->Left());
}

TEST_F(SmallDialogsTest, StyleListMapsByMeaningBothWays) {
  const TLabel3DBevel byIndex[4] = {blNone, blRaised, blLowered, blShadow};
  for (int i = 0; i < 4; ++i) {
    text_->cbTextStyle->SetItemIndex(i);
    text_->cbTextStyleChange(text_->cbTextStyle);
    EXPECT_EQ(text_->LabelDemo->Bevel(), byIndex[i]) << (*text_->cbTextStyle->Items())[i];
    text_->LoadControls();
    EXPECT_EQ(text_->cbTextStyle->ItemIndex(), i);
  }
}

TEST_F(SmallDialogsTest, TransparentAndGradientExcludeEachOther) {
  text_->cbGradient->SetChecked(true);
  EXPECT_TRUE(text_->LabelDemo->FillGradient());
  text_->cbTransparent->SetChecked(true);
  EXPECT_FALSE(text_->cbGradient->Checked());
  EXPECT_FALSE(text_->LabelDemo->FillGradient());
  EXPECT_TRUE(text_->LabelDemo->Transparent());
  text_->cbGradient->SetChecked(true);
  EXPECT_FALSE(text_->cbTransparent->Checked());
  EXPECT_FALSE(text_->LabelDemo->Transparent());
}

TEST_F(SmallDialogsTest, LoadingControlsChangesNothingOnTheSample) {
  TLabel3D* L = text_->LabelDemo;
  L->SetTransparent(true);
  L->SetFillGradient(true);   // a stored object may hold both
  L->SetFirstColor(clMaroon);
  L->SetAlignment(taRightJustify);
  L->SetLayout(tlBottom);
  L->SetCaption("HOME");
  text_->LoadControls();
  EXPECT_TRUE(L->Transparent());
  EXPECT_TRUE(L->FillGradient());
  EXPECT_TRUE(text_->RadioAlign[7]->Checked());
  EXPECT_EQ(text_->eText->Text(), "HOME");
  EXPECT_EQ(text_->PanelColorGr1->Color(), clMaroon);
  EXPECT_EQ(text_->Label3DorV->FirstColor(), clMaroon);
}

TEST_F(SmallDialogsTest, DialogGrowsWithTheSampleAndStaysOnScreen) {
  text_->LabelDemo->SetBounds(8, 181, 384, 100);
  text_->FormShow(text_);
  EXPECT_EQ(text_->ClientHeight(), 173 + 13 + 100);
  EXPECT_EQ(text_->Shape1->Height(), 102);
  EXPECT_GE(text_->Left(), Screen->WorkAreaLeft());
  EXPECT_EQ(text_->Top(), form_->PanelTablo->Height());
}

TEST_F(SmallDialogsTest, FontSizeButtonsStopAtOne) {
  text_->LabelDemo->Font()->SetSize(2);
  text_->bFontM->Click();
  text_->bFontM->Click();
  EXPECT_EQ(text_->LabelDemo->Font()->Size(), 1);
  text_->bFontP->Click();
  EXPECT_EQ(text_->LabelDemo->Font()->Size(), 2);
}

TEST_F(SmallDialogsTest, StadiumDialogShowsTheOutputTextsInsideTheScreen) {
  TFormStadion d(nullptr);
  form_->LabelStadion->SetCaption("ARENA");
  form_->LabelStadionName->SetCaption("NORD");
  d.FormShow(&d);
  EXPECT_EQ(d.eStadion->Text(), "ARENA");
  EXPECT_EQ(d.eStadionName->Text(), "NORD");
  EXPECT_GE(d.Left(), Screen->WorkAreaLeft());
  EXPECT_EQ(d.Top(), 48);
}

TEST_F(SmallDialogsTest, PictureDialogLoadsClearsAndKeepsItsPictureOnABadFile) {
  TFormObjPic d(nullptr);
  EXPECT_EQ(d.bNew->Glyph()->Width(), 16);   // the main window's "new" and "open" pictures
  EXPECT_EQ(d.bOpen->Glyph()->Width(), 16);
  TBitmap pic(4, 3);
  pic.SaveToFile(app_ + "p.bmp");
  WriteFile("bad.jpg", "not a picture");
  String chosen;
  CommonDialogHook = [&chosen](TCommonDialog* dialog) {
    static_cast<TOpenDialog*>(dialog)->FileName = chosen;
    return true;
  };
  chosen = app_ + "p.bmp";
  d.bOpen->Click();
  EXPECT_EQ(d.Image1->Picture()->Width(), 4);
  EXPECT_EQ(d.Image1->Hint(), chosen);
  chosen = app_ + "bad.jpg";
  d.bOpen->Click();
  CommonDialogHook = nullptr;
  EXPECT_EQ(requests_.back().Msg, "Error file " + chosen);
  EXPECT_EQ(d.Image1->Picture()->Width(), 4);   // the picture and its name stay
  EXPECT_EQ(d.Image1->Hint(), app_ + "p.bmp");
  d.bNew->Click();
  EXPECT_EQ(d.Image1->Picture()->Graphic(), nullptr);
  EXPECT_EQ(d.Image1->Hint(), "");
}

TEST_F(SmallDialogsTest, LayoutEditorHandsAPictureObjectThroughTheDialog) {
  TFormObjPic d(nullptr);
  TImage obj(nullptr);
  obj.Picture()->Bitmap()->SetSize(5, 7);
  obj.SetHint("logo.bmp");
  TThread::Queue([&d] {
    EXPECT_EQ(d.Image1->Picture()->Width(), 5);
    EXPECT_EQ(d.Image1->Hint(), "logo.bmp");
    d.bNew->Click();
    d.SetModalResult(mrOk);
  });
  EXPECT_TRUE(form_->EditPictureObject(&obj));
  EXPECT_EQ(obj.Picture()->Graphic(), nullptr);
  EXPECT_EQ(obj.Hint(), "");
}

TEST_F(SmallDialogsTest, LayoutEditorHandsATextObjectThroughTheDialog) {
  TLabel3D obj(nullptr);
  obj.SetName("LabelStat");
  obj.SetCaption("SHOTS");
  obj.SetBevel(blLowered);
  TThread::Queue([this] {
    EXPECT_EQ(text_->eText->Text(), "SHOTS");
    EXPECT_EQ(text_->cbTextStyle->ItemIndex(), 2);   // "Lowered"
    text_->eText->SetText("CORNERS");
    text_->cbTextStyle->SetItemIndex(1);
    text_->cbTextStyleChange(text_->cbTextStyle);
    text_->SetModalResult(mrOk);
  });
  EXPECT_TRUE(form_->EditTextObject(&obj));
  EXPECT_EQ(obj.Caption(), "CORNERS");   // a statistics caption takes the text
  EXPECT_EQ(obj.Bevel(), blRaised);
}

// Every small dialog, shown as the operator sees it, has the client size of
// its design and holds all its controls inside (the text dialog shown for an
// object lower than its sample's design).
TEST_F(SmallDialogsTest, EveryDialogShowsItsDesignedClientSizeWithItsControlsInside) {
  TFormObjPic pic(nullptr);
  TFormStadion stadium(nullptr);
  TFInetAddr link(nullptr);
  TLabel3D low(nullptr);
  low.SetBounds(0, 0, 120, 27);
  struct Row {
    const char* name;
    TForm* form;
    int w, h;
    std::function<void()> show;
  };
  const Row rows[] = {
      {"Text properties", text_, 432, 230, [&] { form_->EditTextObject(&low); }},
      {"picture", &pic, 325, 273, [&] { pic.ShowModal(); }},
      {"Stadium", &stadium, 115, 92, [&] { stadium.ShowModal(); }},
      {"Link properties", &link, 336, 91, [&] { link.ShowModal(); }},
  };
  for (const Row& r : rows) {
    bool seen = false;
    TThread::Queue([&] {
      seen = true;
      EXPECT_EQ(r.form->ClientWidth(), r.w) << r.name;
      EXPECT_EQ(r.form->ClientHeight(), r.h) << r.name;
      for (int i = 0; i < r.form->ControlCount(); ++i) {
        const TControl* c = r.form->Controls(i);
        if (!c->Visible()) continue;
        EXPECT_GE(c->Left(), 0) << r.name << " " << c->Name();
        EXPECT_GE(c->Top(), 0) << r.name << " " << c->Name();
        EXPECT_LE(c->Left() + c->Width(), r.form->ClientWidth()) << r.name << " " << c->Name();
        EXPECT_LE(c->Top() + c->Height(), r.form->ClientHeight()) << r.name << " " << c->Name();
      }
      r.form->SetModalResult(mrCancel);
    });
    r.show();
    EXPECT_TRUE(seen) << r.name;
  }
}
