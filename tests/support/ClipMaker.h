#pragma once
// Clips for the media tests, made on the spot in a temporary folder.
// Frame i of a clip is a solid colour that codes i (CodeColour), with a white
// top-left quadrant, so a test can tell which frame it sees and which way up.
// Audio, where asked for, is PCM from a test tone.
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

namespace clips {

enum class Kind { Avi, AviWithAudio, Mpg, Asf };

struct Rgb {
  int r, g, b;
};

// The colour of frame i (i < 50): far enough apart to survive compression.
inline Rgb CodeColour(int i) { return {40 + 4 * i, 200 - 3 * i, 60}; }

// The frame number a colour codes, or -1 when it is none.
inline int DecodeColour(int r, int g, int b) {
  if (std::abs(b - 60) > 24) return -1;
  int best = -1, bestErr = 1 << 30;
  for (int i = 0; i < 50; ++i) {
    Rgb c = CodeColour(i);
    int e = std::abs(c.r - r) + std::abs(c.g - g);
    if (e < bestErr) {
      bestErr = e;
      best = i;
    }
  }
  return bestErr <= 12 ? best : -1;
}

inline void RunToEnd(GstElement* pipeline) {
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  GstBus* bus = gst_element_get_bus(pipeline);
  GstMessage* msg =
      gst_bus_timed_pop_filtered(bus, 60 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
  std::string error;
  if (!msg) error = "timed out";
  else if (GST_MESSAGE_TYPE(msg) == GST_MESSAGE_ERROR) {
    GError* e = nullptr;
    gst_message_parse_error(msg, &e, nullptr);
    error = e ? e->message : "error";
    if (e) g_error_free(e);
  }
  if (msg) gst_message_unref(msg);
  gst_object_unref(bus);
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(pipeline);
  if (!error.empty()) throw std::runtime_error("clip maker: " + error);
}

// Makes a clip of `frames` frames at 25 per second.
inline void Make(const std::string& path, Kind kind, int frames = 50, int width = 176, int height = 144) {
  if (!gst_is_initialized()) gst_init(nullptr, nullptr);
  std::string enc;
  switch (kind) {
    case Kind::Avi:
    case Kind::AviWithAudio: enc = "jpegenc quality=95 ! avimux name=mux"; break;
    case Kind::Mpg: enc = "mpeg2enc ! mpegpsmux name=mux"; break;
    case Kind::Asf: enc = "avenc_wmv1 bitrate=2000000 ! asfmux name=mux"; break;
  }
  char caps[160];
  std::snprintf(caps, sizeof caps, "video/x-raw,format=BGRx,width=%d,height=%d,framerate=25/1", width, height);
  std::string line = std::string("appsrc name=src format=time caps=\"") + caps + "\" ! videoconvert ! " + enc +
                     " ! filesink location=\"" + path + "\"";
  if (kind == Kind::AviWithAudio) {
    char audio[200];
    std::snprintf(audio, sizeof audio,
                  " audiotestsrc num-buffers=%d samplesperbuffer=1764 ! audio/x-raw,format=S16LE,rate=44100,channels=2"
                  " ! mux.",
                  frames);
    line += audio;
  }
  GError* err = nullptr;
  GstElement* p = gst_parse_launch(line.c_str(), &err);
  if (!p || err) {
    std::string m = err ? err->message : "cannot build";
    if (err) g_error_free(err);
    throw std::runtime_error("clip maker: " + m);
  }
  GstElement* src = gst_bin_get_by_name(GST_BIN(p), "src");
  gst_element_set_state(p, GST_STATE_PAUSED);
  const int stride = width * 4;
  for (int i = 0; i < frames; ++i) {
    GstBuffer* b = gst_buffer_new_allocate(nullptr, size_t(stride) * height, nullptr);
    GstMapInfo m;
    gst_buffer_map(b, &m, GST_MAP_WRITE);
    Rgb c = CodeColour(i % 50);
    for (int y = 0; y < height; ++y) {
      uint8_t* row = m.data + size_t(y) * stride;
      for (int x = 0; x < width; ++x) {
        const bool white = x < width / 2 && y < height / 2;
        row[4 * x] = uint8_t(white ? 255 : c.b);
        row[4 * x + 1] = uint8_t(white ? 255 : c.g);
        row[4 * x + 2] = uint8_t(white ? 255 : c.r);
        row[4 * x + 3] = 255;
      }
    }
    gst_buffer_unmap(b, &m);
    GST_BUFFER_PTS(b) = gst_util_uint64_scale(uint64_t(i), GST_SECOND, 25);
    GST_BUFFER_DURATION(b) = GST_SECOND / 25;
    gst_app_src_push_buffer(GST_APP_SRC(src), b);
  }
  gst_app_src_end_of_stream(GST_APP_SRC(src));
  gst_object_unref(src);
  RunToEnd(p);
}

// Writes a small clip by a launch line ending in a file sink at path and
// hands back its bytes, for a maker that then patches them.
inline std::string MadeClipBytes(const std::string& line, const std::string& path) {
  if (!gst_is_initialized()) gst_init(nullptr, nullptr);
  GError* err = nullptr;
  GstElement* p = gst_parse_launch(line.c_str(), &err);
  if (!p || err) {
    if (err) g_error_free(err);
    throw std::runtime_error("clip maker: cannot build " + line);
  }
  RunToEnd(p);
  std::string b;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) b.append(buf, n);
    std::fclose(f);
  }
  return b;
}

inline void WriteClipBytes(const std::string& path, const std::string& b) {
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(b.data(), 1, b.size(), f);
    std::fclose(f);
  }
}

// A raw-video AVI of two 16 x 16 frames whose headers claim w x h: a small
// file that lies about its frames' size.
inline void MakeLyingAvi(const std::string& path, int w, int h) {
  std::string b = MadeClipBytes("videotestsrc num-buffers=2 ! video/x-raw,format=I420,width=16,height=16,framerate=25/1"
                                " ! avimux ! filesink location=\"" + path + "\"", path);
  auto put = [&b](size_t at, int32_t v) {
    for (int k = 0; k < 4; ++k) b[at + size_t(k)] = char((uint32_t(v) >> (8 * k)) & 0xFF);
  };
  const size_t avih = b.find("avih"), strf = b.find("strf");
  if (avih == std::string::npos || strf == std::string::npos) throw std::runtime_error("clip maker: no AVI headers");
  put(avih + 8 + 32, w), put(avih + 8 + 36, h);   // the main header's frame size
  put(strf + 8 + 4, w), put(strf + 8 + 8, h);     // the stream's bitmap header
  WriteClipBytes(path, b);
}

// Makes a motion-JPEG AVI whose headers announce 16 x 16 frames while each
// picture's own frame header declares w x h: only a decoder would learn the
// size, from the picture itself.
inline void MakeLyingMjpeg(const std::string& path, int w, int h) {
  std::string b = MadeClipBytes("videotestsrc num-buffers=3 ! video/x-raw,width=16,height=16,framerate=25/1"
                                " ! jpegenc ! avimux ! filesink location=\"" + path + "\"", path);
  int patched = 0;
  for (size_t at = b.find("\xFF\xC0"); at != std::string::npos && at + 9 <= b.size(); at = b.find("\xFF\xC0", at + 2)) {
    b[at + 5] = char(h >> 8), b[at + 6] = char(h & 0xFF);   // the frame header: length, precision, height, width
    b[at + 7] = char(w >> 8), b[at + 8] = char(w & 0xFF);
    ++patched;
  }
  if (patched == 0) throw std::runtime_error("clip maker: no JPEG frame header");
  WriteClipBytes(path, b);
}

// Makes a DVD folder (folder/VIDEO_TS) of one title of `seconds` seconds
// whose picture is frame 0's colour, with a tone: an MPEG-2 clip made by
// ffmpeg, authored by dvdauthor. Returns the path of its VIDEO_TS.IFO.
inline std::string MakeDvdFolder(const std::string& folder, int seconds = 3) {
  const Rgb c = CodeColour(0);
  char colour[16];
  std::snprintf(colour, sizeof colour, "0x%02X%02X%02X", c.r, c.g, c.b);
  const std::string clip = folder + ".mpg";
  const std::string t = std::to_string(seconds);
  const std::string make = "ffmpeg -loglevel error -y -f lavfi -i color=c=" + std::string(colour) +
                           ":size=720x576:rate=25 -f lavfi -i sine=frequency=440:sample_rate=48000 -t " + t +
                           " -target pal-dvd -aspect 4:3 '" + clip + "' && VIDEO_FORMAT=PAL dvdauthor -o '" + folder +
                           "' -t '" + clip + "' >/dev/null 2>&1 && VIDEO_FORMAT=PAL dvdauthor -o '" + folder +
                           "' -T >/dev/null 2>&1";
  const int rc = std::system(make.c_str());
  std::remove(clip.c_str());
  if (rc != 0) throw std::runtime_error("clip maker: the DVD folder could not be made");
  return folder + "/VIDEO_TS/VIDEO_TS.IFO";
}

}  // namespace clips
