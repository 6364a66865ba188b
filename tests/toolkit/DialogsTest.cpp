// Message boxes (placement, buttons, results) and the common dialogs' hooks.
#include <gtest/gtest.h>

#include "tests/toolkit/ToolkitTestUtil.h"
#include <QFontInfo>
#include "toolkit/Dialogs.h"
#include "toolkit/QtGlue.h"
#include "toolkit/Forms.h"

namespace {
bool inside(const TRect& r, const TRect& area) {
  return r.Left >= area.Left && r.Top >= area.Top && r.Right <= area.Right && r.Bottom <= area.Bottom;
}
}  // namespace

TEST(MessageBoxes, PlacedWithTheTopLeftCornerAtTheGivenPoint) {
  MessageBoxCapture boxes(mrYes);
  TRect wa = Screen->WorkAreaRect();
  int r = MessageDlgPos("Quit?", mtConfirmation, {mbYes, mbNo}, 0, wa.Left + 20, wa.Top + 30);
  EXPECT_EQ(r, mrYes);
  ASSERT_EQ(boxes.asked.size(), 1u);
  const TMsgDlgRequest& q = boxes.asked[0];
  EXPECT_EQ(q.Msg, "Quit?");
  EXPECT_EQ(q.Caption, "Confirm");
  EXPECT_EQ(q.BoundsRect.TopLeft(), TPoint(wa.Left + 20, wa.Top + 30));
  EXPECT_GT(q.BoundsRect.Width(), 0);
  EXPECT_GT(q.BoundsRect.Height(), 0);
  EXPECT_EQ(q.DefaultResult, mrYes);
  EXPECT_EQ(q.CancelResult, mrNo);
}

TEST(MessageBoxes, KeptInsideTheWorkArea) {
  MessageBoxCapture boxes;
  TRect wa = Screen->WorkAreaRect();
  MessageDlgPos("Error file Teams/Zenit (St. Petersburg)/Zenit (St. Petersburg).txt", mtError, {mbOK}, 0,
                wa.Right - 5, wa.Bottom - 5);
  ASSERT_EQ(boxes.asked.size(), 1u);
  TRect b = boxes.asked[0].BoundsRect;
  EXPECT_TRUE(inside(b, wa));
  EXPECT_EQ(b.Right, wa.Right);    // moved only as far as needed
  EXPECT_EQ(b.Bottom, wa.Bottom);

  MessageDlgPos("left of the screen", mtInformation, {mbOK}, 0, -3000, 10);
  EXPECT_TRUE(inside(boxes.asked.back().BoundsRect, wa));
}

TEST(MessageBoxes, ALongMessageIsWrappedAndStaysInside) {
  MessageBoxCapture boxes;
  TRect wa = Screen->WorkAreaRect();
  String words, path = "/";
  for (int i = 0; i < 400; ++i) words += "scoreboard ";
  for (int i = 0; i < 300; ++i) path += "x";
  MessageDlgPos(words, mtWarning, {mbOK}, 0, wa.Left + 100, wa.Top + 100);
  MessageDlgPos(path, mtWarning, {mbOK}, 0, wa.Left + 100, wa.Top + 100);
  ASSERT_EQ(boxes.asked.size(), 2u);
  for (const auto& q : boxes.asked) {
    EXPECT_TRUE(inside(q.BoundsRect, wa));
    EXPECT_LE(q.BoundsRect.Width(), wa.Width());
  }
  // Wrapped into several lines rather than one very wide box.
  EXPECT_LT(boxes.asked[0].BoundsRect.Width(), wa.Width() * 3 / 4);
}

TEST(MessageBoxes, NegativeCoordinatesCentre) {
  MessageBoxCapture boxes;
  TRect wa = Screen->WorkAreaRect();
  MessageDlg("centred", mtInformation, {mbOK}, 0);
  TRect b = boxes.asked.back().BoundsRect;
  EXPECT_LE(std::abs((b.Left + b.Right) - (wa.Left + wa.Right)), 1);
  EXPECT_LE(std::abs((b.Top + b.Bottom) - (wa.Top + wa.Bottom)), 1);
  EXPECT_EQ(boxes.asked.back().Caption, "Information");
}

TEST(MessageBoxes, ShowMessageUsesTheApplicationTitle) {
  MessageBoxCapture boxes;
  String old = Application->Title();
  Application->SetTitle("tablo");
  ShowMessage("Saved");
  EXPECT_EQ(boxes.asked.back().Caption, "tablo");
  EXPECT_EQ(boxes.asked.back().Buttons, TMsgDlgButtons{mbOK});
  EXPECT_EQ(boxes.asked.back().DlgType, mtCustom);
  Application->SetTitle(old);
}

TEST(MessageBoxes, DefaultAndCancelButtons) {
  struct Row {
    TMsgDlgButtons buttons;
    int def, cancel;
  };
  const Row rows[] = {
      {{mbOK}, mrOk, mrOk},
      {{mbYes, mbNo}, mrYes, mrNo},
      {{mbYes, mbNo, mbCancel}, mrYes, mrCancel},
      {{mbOK, mbCancel}, mrOk, mrCancel},
      {{mbAbort, mbRetry, mbIgnore}, mrRetry, mrCancel},
  };
  MessageBoxCapture boxes;
  for (const Row& r : rows) {
    MessageDlg("?", mtConfirmation, r.buttons, 0);
    EXPECT_EQ(boxes.asked.back().DefaultResult, r.def);
    EXPECT_EQ(boxes.asked.back().CancelResult, r.cancel);
  }
}

TEST(MessageBoxes, WithoutAHookOffscreenNothingBlocksAndCancelIsAnswered) {
  ASSERT_FALSE(MessageDlgHook);
  EXPECT_EQ(MessageDlg("Quit?", mtConfirmation, {mbYes, mbNo}, 0), mrNo);
  EXPECT_EQ(MessageDlg("Gone", mtError, {mbOK}, 0), mrOk);
}

TEST(CommonDialogs, HookAnswersOpenAndFillsTheFileList) {
  TOpenDialog d(nullptr);
  d.Options.Include(ofAllowMultiSelect);
  d.InitialDir = "/tmp/Pics/";
  CommonDialogHook = [](TCommonDialog* dlg) {
    auto* o = dynamic_cast<TOpenDialog*>(dlg);
    EXPECT_NE(o, nullptr);
    EXPECT_EQ(o->InitialDir, "/tmp/Pics/");
    o->Files()->Add("/tmp/Pics/a.jpg");
    o->Files()->Add("/tmp/Pics/b.avi");
    o->FilterIndex = 2;
    return true;
  };
  EXPECT_TRUE(d.Execute());
  EXPECT_EQ(d.FileName, "/tmp/Pics/a.jpg");
  EXPECT_EQ(d.Files()->Count(), 2);
  EXPECT_EQ(d.FilterIndex, 2);

  CommonDialogHook = [](TCommonDialog*) { return false; };
  TSaveDialog s(nullptr);
  EXPECT_FALSE(s.Execute());
  CommonDialogHook = nullptr;
  // Offscreen without a hook nothing is shown.
  EXPECT_FALSE(s.Execute());
}

TEST(CommonDialogs, ColourAndFontDialogsThroughTheHook) {
  TColorDialog c(nullptr);
  c.Color = clNavy;
  TFontDialog f(nullptr);
  f.Font()->SetName("Arial");
  f.Font()->SetColor(clRed);
  CommonDialogHook = [](TCommonDialog* dlg) {
    if (auto* cd = dynamic_cast<TColorDialog*>(dlg)) {
      EXPECT_EQ(cd->Color, clNavy);
      cd->Color = clTeal;
    }
    if (auto* fd = dynamic_cast<TFontDialog*>(dlg)) {
      fd->Font()->SetSize(24);
      fd->Font()->SetStyle({fsBold});
    }
    return true;
  };
  EXPECT_TRUE(c.Execute());
  EXPECT_EQ(c.Color, clTeal);
  EXPECT_TRUE(f.Execute());
  EXPECT_EQ(f.Font()->Size(), 24);
  EXPECT_EQ(f.Font()->Color(), clRed);
  CommonDialogHook = nullptr;

  String dir = "/tmp";
  SelectDirectoryHook = [](const String& caption, String& d) {
    EXPECT_EQ(caption, "Folder");
    d = "/tmp/Pics";
    return true;
  };
  EXPECT_TRUE(SelectDirectory("Folder", "", dir));
  EXPECT_EQ(dir, "/tmp/Pics");
  SelectDirectoryHook = nullptr;
}

// The filter lines a file dialog shows: each description with its mask once.
TEST(FileDialogFilters, DescriptionsNameTheirMaskOnce) {
  struct Row {
    const char* filter;
    std::vector<String> shown;
  };
  const Row rows[] = {
      {"Text file (*.txt)|*.txt", {"Text file (*.txt)"}},
      {"Text files|*.txt", {"Text files (*.txt)"}},
      {"All (*.jpg;*.bmp)|*.jpg;*.bmp|Media|*.avi", {"All (*.jpg *.bmp)", "Media (*.avi)"}},
      {"Play-list files (*.txt)|*.txt|Images (*.png)|*.png", {"Play-list files (*.txt)", "Images (*.png)"}},
  };
  for (const Row& r : rows) EXPECT_EQ(FileDialogFilterNames(r.filter), r.shown) << r.filter;
}

// Styles the font dialog offers keep what the name and the style bits can
// hold: a width goes into the face's name, bold and italic into the bits,
// and the face found draws that style.
TEST(FontDialogStyles, StylesBeyondBoldAndItalicKeepTheirFace) {
  struct Row {
    const char *family, *style, *face;
    TFontStyles bits;
  };
  const Row rows[] = {
      {"DejaVu Serif", "Condensed Italic", "DejaVu Serif Condensed", {fsItalic}},
      {"DejaVu Sans", "Condensed Bold Oblique", "DejaVu Sans Condensed", {fsBold, fsItalic}},
      {"Liberation Sans", "Bold Italic", "Liberation Sans", {fsBold, fsItalic}},
      {"DejaVu Serif", "Book", "DejaVu Serif", {}},
  };
  for (const Row& r : rows) {
    TFontStyles bits;
    EXPECT_EQ(FontFaceForStyle(r.family, r.style, bits), r.face) << r.style;
    EXPECT_EQ(bits, r.bits) << r.style;
    TFont f;
    f.SetName(r.face);
    f.SetStyle(bits);
    const QFontInfo shown(tkqt::ToQFont(f));
    if (String(r.style).find("Condensed") != String::npos)
      EXPECT_TRUE(shown.styleName().contains(QLatin1String("Condensed"))) << r.style << " " << tkqt::Str(shown.styleName());
    EXPECT_EQ(shown.italic(), bits.Contains(fsItalic)) << r.style;
  }
}
