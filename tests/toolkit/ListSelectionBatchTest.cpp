// Selection marks of a multi-selection list box made inside an update
// bracket: kept until the bracket closes, then applied at once.
#include <gtest/gtest.h>
#include "toolkit/CheckLst.h"

namespace {

std::vector<bool> Marks(const TListBox& l) {
  std::vector<bool> out;
  for (int i = 0; i < l.Count(); ++i) out.push_back(l.Selected(i));
  return out;
}

TEST(ListSelectionBatchTest, MarksInsideABracketLandTogetherAndFollowTheirLines) {
  TCheckListBox list(nullptr);
  list.SetMultiSelect(true);
  list.Items()->SetText("a\nb\nc\nd\ne\n");
  int clicks = 0;
  list.OnClick = [&clicks](TObject*) { ++clicks; };
  list.SetSelected(4, true);
  list.Items()->BeginUpdate();
  list.SetSelected(0, true);
  list.SetSelected(1, true);
  list.SetSelected(2, true);
  list.SetSelected(4, false);
  list.SetSelected(1, false);                 // the last mark of a line wins
  EXPECT_TRUE(list.Selected(0));              // read back before the bracket closes
  list.Items()->Insert(0, "new");             // marks move with their lines
  list.Items()->Delete(3);                    // "c" goes with its mark
  list.Items()->EndUpdate();
  EXPECT_EQ(list.Items()->Text(), "new\na\nb\nd\ne\n");
  EXPECT_EQ(Marks(list), (std::vector<bool>{false, true, false, false, false}));
  list.Items()->BeginUpdate();
  list.SetSelected(3, true);
  list.ClearSelection();                      // drops the marks not yet applied
  list.Items()->EndUpdate();
  EXPECT_EQ(Marks(list), (std::vector<bool>(5, false)));
  EXPECT_EQ(clicks, 0);                       // selecting from code is silent
}

}  // namespace
