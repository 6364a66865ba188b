// File masks, folder listings by masks, image lists and the tool bar's and
// track bar's use of them.
#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <QImage>
#include "toolkit/ComCtrls.h"
#include "toolkit/FileMasks.h"
#include "toolkit/ImgList.h"

namespace {

TEST(FileMasksTest, PictureMaskHoldsWhatThePictureLoaderReads) {
  EXPECT_EQ(GraphicFileMask(), "*.bmp;*.ico;*.jpg;*.jpeg;*.png;*.emf;*.wmf");
  const std::vector<std::pair<const char*, bool>> cases = {
      {"a.JPG", true}, {"b.jpeg", true}, {"c.Png", true}, {"d.emf", true}, {"d.WMF", true}, {"e.jpg.txt", false}, {"jpg", false}};
  for (const auto& [name, match] : cases) EXPECT_EQ(MatchesMask(name, GraphicFileMask()), match) << name;
}

TEST(FileMasksTest, FolderListsMatchingFilesByNameWithoutRegardToCase) {
  char tmpl[] = "/tmp/filemasks_XXXXXX";
  const std::filesystem::path dir = mkdtemp(tmpl);
  for (const char* n : {"b.AVI", "A.jpg", "c.txt", "a2.Jpg", ".hidden.jpg", "\xC9t\xE9.jpg"}) std::ofstream(dir / n) << "x";
  std::filesystem::create_directories(dir / "folder.jpg");
  // A name in Latin-1 bytes is listed by its text.
  EXPECT_EQ(ListFilesByMask(dir.string(), "*.jpg;*.avi"),
            (std::vector<String>{".hidden.jpg", "A.jpg", "a2.Jpg", "b.AVI", "\xC3\x89t\xC3\xA9.jpg"}));
  EXPECT_TRUE(ListFilesByMask(dir.string(), "").empty());
  EXPECT_TRUE(ListFilesByMask((dir / "none").string(), "*.jpg").empty());
  std::filesystem::remove_all(dir);
}

TEST(ImageListTest, StandardImagesDrawBlendedAndGreyedWhenDisabled) {
  TImageList list(nullptr);
  EXPECT_EQ(list.AddStandard(siMediaPlay), 0);
  TBitmap red(4, 4);
  red.Fill(clRed);
  EXPECT_EQ(list.AddMasked(&red, clRed), 1);   // all see-through
  EXPECT_EQ(list.Add(&red), 2);
  EXPECT_EQ(list.Count(), 3);
  TBitmap canvas(40, 20);
  canvas.Fill(clWhite);
  list.Draw(canvas.Canvas(), 0, 0, 0);
  list.Draw(canvas.Canvas(), 20, 0, 1);
  int changed = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) changed += canvas.Canvas()->Pixel(x, y) != clWhite;
  EXPECT_GT(changed, 10);                            // the icon was drawn
  EXPECT_EQ(canvas.Canvas()->Pixel(25, 5), clWhite); // the masked image left it
  list.Draw(canvas.Canvas(), 0, 0, 2, false);
  const TColor grey = canvas.Canvas()->Pixel(8, 8);
  EXPECT_EQ(grey & 0xFF, (grey >> 8) & 0xFF);        // disabled: grey, no red
  EXPECT_THROW(list.Delete(3), EListError);
  list.SetWidth(24);
  EXPECT_EQ(list.Count(), 0);
}

TEST(ImageListTest, ToolBarForgetsAFreedListAndTrackBarHidesItsThumb) {
  TToolBar bar(nullptr);
  auto* list = new TImageList(nullptr);
  bar.SetImages(list);
  EXPECT_EQ(bar.Images(), list);
  delete list;
  EXPECT_EQ(bar.Images(), nullptr);
  TTrackBar t(nullptr);
  t.SetBounds(0, 0, 120, 30);
  t.SetPosition(5);
  auto shot = [&t] {
    TBitmap b(120, 30);
    t.PaintTo(b.Canvas(), 0, 0);
    return b.Image();
  };
  shot();   // the first render polishes the slider
  const auto withThumb = shot();
  t.SetSliderVisible(false);
  EXPECT_NE(shot(), withThumb);
  t.SetSliderVisible(true);
  EXPECT_EQ(shot(), withThumb);
}

}  // namespace
