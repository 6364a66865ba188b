// Dropped-file catcher: names, bare names and extensions of a drop, and when
// drops are taken at all.
#include "controls/filedrag.h"

#include <gtest/gtest.h>

#include "toolkit/ExtCtrls.h"
#include "toolkit/TestApp.h"

namespace {

struct FileDragTest : ::testing::Test {
  TPanel window{nullptr};
  TFileDrag* drag = new TFileDrag(&window);
  int drops = 0;
  void SetUp() override {
    window.SetBounds(0, 0, 200, 100);
    drag->OnDrop = [this](TObject* s) {
      EXPECT_EQ(s, drag);
      ++drops;
    };
  }
};

TEST_F(FileDragTest, DropFillsThreeParallelLists) {
  drag->SetEnableDrop(true);
  ASSERT_TRUE(TestApp::DropUrls(&window, {"file:///m/logo.final.jpg", "file:///m/README",
                                          "file:///m/a%5Cb.png", "file:///m/%D0%A4%D0%BE%D0%BD.bmp"}));
  EXPECT_EQ(drops, 1);
  ASSERT_EQ(drag->FileCount(), 4);
  const char* full[] = {"/m/logo.final.jpg", "/m/README", "/m/a\\b.png", "/m/Фон.bmp"};
  const char* bare[] = {"logo.final.jpg", "README", "a\\b.png", "Фон.bmp"};
  const char* ext[] = {"jpg", "", "png", "bmp"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ((*drag->NameWithPath())[i], full[i]);
    EXPECT_EQ((*drag->NameOnly())[i], bare[i]);
    EXPECT_EQ((*drag->Extension())[i], ext[i]);
  }
  EXPECT_EQ(drag->NameOnly()->Count(), 4);
  EXPECT_EQ(drag->Extension()->Count(), 4);

  ASSERT_TRUE(TestApp::DropUrls(&window, {"file:///x/y.avi"}));   // the next drop replaces the lists
  EXPECT_EQ(drag->FileCount(), 1);
  EXPECT_EQ(drag->NameWithPath()->Count(), 1);
  EXPECT_EQ((*drag->Extension())[0], "avi");
}

TEST_F(FileDragTest, NoDropWhileDisabledOrWithoutLocalFiles) {
  EXPECT_FALSE(drag->EnableDrop());
  EXPECT_FALSE(TestApp::DropUrls(&window, {"file:///m/a.jpg"}));
  drag->SetEnableDrop(true);
  EXPECT_FALSE(TestApp::DropUrls(&window, {"http://x/a.jpg"}));
  drag->SetEnableDrop(false);
  EXPECT_FALSE(TestApp::DropUrls(&window, {"file:///m/a.jpg"}));
  EXPECT_EQ(drops, 0);
  EXPECT_EQ(drag->FileCount(), 0);
}

TEST(FileDragOwnerTest, NonWindowedOwnerNeverTakesDrops) {
  TComponent owner(nullptr);
  TFileDrag drag(&owner);
  drag.SetEnableDrop(true);
  EXPECT_FALSE(drag.EnableDrop());
}

TEST(FileDragOwnerTest, FreedCatcherLeavesTheWindowRefusingDrops) {
  TPanel window(nullptr);
  auto* drag = new TFileDrag(&window);
  drag->SetEnableDrop(true);
  delete drag;
  EXPECT_FALSE(window.AcceptFileDrops());
  EXPECT_FALSE(TestApp::DropUrls(&window, {"file:///m/a.jpg"}));
}

}  // namespace
