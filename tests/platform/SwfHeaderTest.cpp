// The movie reader on movies written by the test: plain, zlib and LZMA, and
// movies whose header lies about what they hold.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>

#include "platform/flash/SwfHeader.h"
#include "support/SwfMaker.h"

namespace {

struct HeaderCase {
  swf::Pack pack;
  int width, height, frames, rate, stopAt;
};

std::filesystem::path TempMovie(const char* tag) {
  return std::filesystem::temp_directory_path() / ("swf_" + std::string(tag) + std::to_string(getpid()) + ".swf");
}

class SwfMovieRead : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(SwfMovieRead, ReportsTheMoviesOwnSizeRateFramesAndStop) {
  const HeaderCase& c = GetParam();
  swf::Movie m;
  m.Packing = c.pack;
  m.Width = c.width;
  m.Height = c.height;
  m.Frames = c.frames;
  m.FrameRate = c.rate;
  m.StopAtFrame = c.stopAt;
  const std::filesystem::path file = TempMovie("read");
  swf::Save(file.string(), m);
  TSwfHeader h;
  String error;
  const bool ok = ReadSwfMovie(file.string(), h, error);
  std::filesystem::remove(file);
  ASSERT_TRUE(ok) << error;
  EXPECT_EQ(h.Compression, c.pack == swf::Pack::Plain ? 'F' : c.pack == swf::Pack::Zlib ? 'C' : 'Z');
  EXPECT_EQ(h.Width, c.width);
  EXPECT_EQ(h.Height, c.height);
  EXPECT_EQ(h.FrameCount, c.frames);
  EXPECT_EQ(h.ShownFrames, c.frames);
  EXPECT_EQ(h.StopFrame, c.stopAt);
  EXPECT_DOUBLE_EQ(h.FrameRate, c.rate);
  EXPECT_EQ(h.FileLength, swf::Write([&] { swf::Movie p = m; p.Packing = swf::Pack::Plain; return p; }()).size());
}

INSTANTIATE_TEST_SUITE_P(Packings, SwfMovieRead,
                         ::testing::Values(HeaderCase{swf::Pack::Plain, 160, 120, 24, 24, -1},
                                           HeaderCase{swf::Pack::Zlib, 1920, 1080, 300, 25, 7},
                                           HeaderCase{swf::Pack::Lzma, 320, 240, 2, 12, 1},
                                           HeaderCase{swf::Pack::Plain, 1, 1, 1, 1, 0}));

// The copy given to the player: plain, the same frames, and its last frame
// stops the movie (so that the player holds it); none for a movie in
// ActionScript 3, whose timeline takes no such action.
TEST(SwfMovieHeld, IsAPlainCopyWhoseLastFrameStopsTheMovie) {
  const struct {
    const char* name;
    swf::Pack pack;
    int frames;
    bool as3;
  } rows[] = {{"plain", swf::Pack::Plain, 24, false},
              {"zlib", swf::Pack::Zlib, 300, false},
              {"lzma", swf::Pack::Lzma, 2, false},
              {"ActionScript 3", swf::Pack::Plain, 24, true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    swf::Movie m;
    m.Packing = row.pack;
    m.Frames = row.frames;
    m.ActionScript3 = row.as3;
    const std::vector<uint8_t> b = swf::Write(m);
    TSwfHeader h;
    String error;
    std::string held = "left from before";
    ASSERT_TRUE(ParseSwfMovie(b.data(), b.size(), h, error, &held)) << error;
    EXPECT_EQ(h.ActionScript3, row.as3);
    EXPECT_EQ(h.StopFrame, -1);
    if (row.as3) {
      EXPECT_TRUE(held.empty());
      continue;
    }
    TSwfHeader c;
    ASSERT_TRUE(ParseSwfMovie(reinterpret_cast<const uint8_t*>(held.data()), held.size(), c, error)) << error;
    EXPECT_EQ(c.Compression, 'F');
    EXPECT_EQ(c.FileLength, h.FileLength + 4);
    EXPECT_EQ(c.ShownFrames, row.frames);
    EXPECT_EQ(c.StopFrame, row.frames - 1);
  }
}

std::vector<uint8_t> movie(swf::Pack p, int frames = 24) {
  swf::Movie m;
  m.Packing = p;
  m.Frames = frames;
  return swf::Write(m);
}

struct BadCase {
  const char* name;
  std::vector<uint8_t> (*bytes)();
  const char* reason;
};

class SwfMovieRefuse : public ::testing::TestWithParam<BadCase> {};

TEST_P(SwfMovieRefuse, GivesTheReason) {
  const std::vector<uint8_t> b = GetParam().bytes();
  TSwfHeader h;
  String error;
  EXPECT_FALSE(ParseSwfMovie(b.data(), b.size(), h, error));
  EXPECT_NE(error.find(GetParam().reason), String::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Broken, SwfMovieRefuse,
    ::testing::Values(
        BadCase{"NotAMovie", [] { return std::vector<uint8_t>{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}; },
                "not a Flash movie"},
        BadCase{"DeclaredBeyondTheLimit",
                [] { auto b = movie(swf::Pack::Plain); b[7] = 0x7F; return b; }, "more than the limit"},
        BadCase{"DeclaredShorterThanAHeader",
                [] { auto b = movie(swf::Pack::Plain); b[4] = 9; b[5] = b[6] = b[7] = 0; return b; },
                "shorter than its header"},
        BadCase{"CutInsideTheHeader", [] { auto b = movie(swf::Pack::Plain); b.resize(12); return b; },
                "cut short"},
        BadCase{"ZlibBodyDamaged",
                [] { auto b = movie(swf::Pack::Zlib); for (size_t i = 8; i < b.size(); ++i) b[i] = 0xAA; return b; },
                "cannot be unpacked"},
        BadCase{"LzmaBodyCut", [] { auto b = movie(swf::Pack::Lzma); b.resize(14); return b; },
                "cannot be unpacked"},
        BadCase{"OnlyAHeaderClaiming65535Frames", swf::lies::HeaderOnly, "bytes but holds 36"},
        BadCase{"ZlibMovieClaiming65535FramesAtAVerySlowRate",
                [] { return swf::lies::MoreFramesThanHeld(swf::Pack::Zlib); }, "holds 24 of the 65535 frames"},
        BadCase{"LzmaMovieClaiming65535Frames",
                [] { return swf::lies::MoreFramesThanHeld(swf::Pack::Lzma); }, "holds 24 of the 65535 frames"},
        BadCase{"AValidHeaderOnAGarbageBody", swf::lies::GarbageBody, "cut short"},
        BadCase{"TheFirst200BytesOfAGood120FrameMovie", swf::lies::FirstBytesOfAGoodMovie, "bytes but holds"},
        BadCase{"LongerThanItDeclares", [] { auto b = movie(swf::Pack::Plain); b.resize(b.size() + 10, 0); return b; },
                "more than the"},
        BadCase{"ZlibStreamLongerThanItDeclares",
                [] {
                  auto b = movie(swf::Pack::Plain);
                  const uint32_t shorter = uint32_t(b.size() - 2);   // the End tag beyond the declared length
                  for (int i = 0; i < 4; ++i) b[4 + i] = uint8_t(shorter >> (8 * i));
                  return swf::Repack(b, swf::Pack::Zlib);
                },
                "more than the"}),
    [](const auto& info) { return std::string(info.param.name); });

// Files that are not plain movie files are refused before anything is read:
// a FIFO (which would block the open) and a sparse file far beyond the bound
// that starts with a good header.
struct FileCase {
  const char* name;
  void (*make)(const std::string& path);
  const char* reason;
};

class SwfMovieFile : public ::testing::TestWithParam<FileCase> {};

TEST_P(SwfMovieFile, IsRefusedAtOnce) {
  const std::filesystem::path file = TempMovie(GetParam().name);
  std::filesystem::remove(file);
  GetParam().make(file.string());
  TSwfHeader h;
  String error;
  const bool ok = ReadSwfMovie(file.string(), h, error);
  std::filesystem::remove(file);
  EXPECT_FALSE(ok);
  EXPECT_NE(error.find(GetParam().reason), String::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    NotMovieFiles, SwfMovieFile,
    ::testing::Values(FileCase{"Fifo", [](const std::string& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); },
                               "not a regular file"},
                      FileCase{"Sparse3GB",
                               [](const std::string& p) {
                                 swf::Save(p, swf::Movie{});
                                 std::filesystem::resize_file(p, uint64_t(3) << 30);
                               },
                               "too large"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
