// Rendering and playing clips through TFilterGraph: notifications, failures,
// duration, stop and resume, clearing, frame stepping and rate.
#include "media/MediaFixture.h"

using namespace mediatest;
using clips::Kind;

namespace {

class Playback : public ::testing::Test {
 protected:
  void SetUp() override {
    rec = std::make_unique<RecordingGraph>();
    g = rec->graph;
    g->SetActive(true);
  }
  void TearDown() override { rec.reset(); }
  REFERENCE_TIME Position() {
    REFERENCE_TIME p = -1;
    g->Query<IMediaSeeking>()->GetCurrentPosition(&p);
    return p;
  }
  std::unique_ptr<RecordingGraph> rec;
  TFilterGraph* g = nullptr;
};

struct ClipCase {
  Kind kind;
  const char* name;
};

class PlaysToOneComplete : public Playback, public ::testing::WithParamInterface<ClipCase> {};

TEST_P(PlaysToOneComplete, AfterOneClockChangeOnTheMainThread) {
  const std::string clip = Clips::Get().Path(GetParam().kind);
  ASSERT_EQ(g->RenderFile(clip), S_OK);
  ASSERT_TRUE(g->Play());
  ASSERT_TRUE(rec->WaitFor(EC_COMPLETE));
  Pump(150);   // nothing more may follow
  EXPECT_EQ(rec->Count(EC_COMPLETE), 1);
  EXPECT_EQ(rec->Count(EC_CLOCK_CHANGED), 1);
  auto clock = std::find(rec->codes.begin(), rec->codes.end(), EC_CLOCK_CHANGED);
  auto done = std::find(rec->codes.begin(), rec->codes.end(), EC_COMPLETE);
  EXPECT_LT(clock, done);
  EXPECT_TRUE(rec->allOnMain);
}

INSTANTIATE_TEST_SUITE_P(Clips, PlaysToOneComplete,
                         ::testing::Values(ClipCase{Kind::Avi, "Avi"}, ClipCase{Kind::AviWithAudio, "AviWithAudio"},
                                           ClipCase{Kind::Mpg, "Mpg"}, ClipCase{Kind::Asf, "Asf"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
