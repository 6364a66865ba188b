// The movie header reader on movies written by the test: plain, zlib and LZMA.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/flash/SwfHeader.h"
#include "support/SwfMaker.h"

namespace {

struct HeaderCase {
  swf::Pack pack;
  int width, height, frames, rate;
};

class SwfHeaderRead : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(SwfHeaderRead, ReportsTheMoviesOwnSizeRateAndFrames) {
  const HeaderCase& c = GetParam();
  swf::Movie m;
  m.Packing = c.pack;
  m.Width = c.width;
  m.Height = c.height;
  m.Frames = c.frames;
  m.FrameRate = c.rate;
  std::filesystem::path file = std::filesystem::temp_directory_path() /
                               ("swf_header_" + std::to_string(getpid()) + ".swf");
  swf::Save(file.string(), m);
  TSwfHeader h;
  String error;
  bool ok = ReadSwfHeader(file.string(), h, error);
  std::filesystem::remove(file);
  ASSERT_TRUE(ok) << error;
  EXPECT_EQ(h.Compression, c.pack == swf::Pack::Plain ? 'F' : c.pack == swf::Pack::Zlib ? 'C' : 'Z');
  EXPECT_EQ(h.Width, c.width);
  EXPECT_EQ(h.Height, c.height);
  EXPECT_EQ(h.FrameCount, c.frames);
  EXPECT_DOUBLE_EQ(h.FrameRate, c.rate);
  EXPECT_EQ(h.FileLength, swf::Write([&] { swf::Movie p = m; p.Packing = swf::Pack::Plain; return p; }()).size());
}

INSTANTIATE_TEST_SUITE_P(Packings, SwfHeaderRead,
                         ::testing::Values(HeaderCase{swf::Pack::Plain, 160, 120, 24, 24},
                                           HeaderCase{swf::Pack::Zlib, 1920, 1080, 300, 25},
                                           HeaderCase{swf::Pack::Lzma, 320, 240, 2, 12},
                                           HeaderCase{swf::Pack::Plain, 1, 1, 1, 1}));

struct BadCase {
  const char* what;
  std::vector<uint8_t> (*bytes)();
  const char* reason;
};

std::vector<uint8_t> packed(swf::Pack p) {
  swf::Movie m;
  m.Packing = p;
  return swf::Write(m);
}

class SwfHeaderRefuse : public ::testing::TestWithParam<BadCase> {};

TEST_P(SwfHeaderRefuse, GivesTheReason) {
  std::vector<uint8_t> b = GetParam().bytes();
  TSwfHeader h;
  String error;
  EXPECT_FALSE(ParseSwfHeader(b.data(), b.size(), h, error)) << GetParam().what;
  EXPECT_NE(error.find(GetParam().reason), String::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Broken, SwfHeaderRefuse,
    ::testing::Values(
        BadCase{"not a movie", [] { return std::vector<uint8_t>{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}; },
                "not a Flash movie"},
        BadCase{"declared beyond the limit",
                [] { auto b = packed(swf::Pack::Plain); b[7] = 0x7F; return b; }, "more than the limit"},
        BadCase{"declared shorter than a header",
                [] { auto b = packed(swf::Pack::Plain); b[4] = 9; b[5] = b[6] = b[7] = 0; return b; },
                "shorter than its header"},
        BadCase{"cut inside the header", [] { auto b = packed(swf::Pack::Plain); b.resize(12); return b; },
                "cut short"},
        BadCase{"zlib body damaged",
                [] { auto b = packed(swf::Pack::Zlib); for (size_t i = 8; i < b.size(); ++i) b[i] = 0xAA; return b; },
                "cannot be unpacked"},
        BadCase{"LZMA body cut", [] { auto b = packed(swf::Pack::Lzma); b.resize(14); return b; },
                "cannot be unpacked"}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

}  // namespace
