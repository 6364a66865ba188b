#pragma once
// Still clips for the video window tests: every frame painted by one
// function of the pixel position (solid colours, coloured quadrants), JPEG
// in AVI, made once per program in the media tests' clip folder.
#include <functional>
#include <map>

#include "media/MediaFixture.h"

namespace videotest {

using Painter = std::function<clips::Rgb(int x, int y, int w, int h)>;

inline void MakePaintedClip(const std::string& path, const Painter& paint, int w, int h, int frames) {
  if (!gst_is_initialized()) gst_init(nullptr, nullptr);
  char line[400];
  std::snprintf(line, sizeof line,
                "appsrc name=src format=time caps=\"video/x-raw,format=BGRx,width=%d,height=%d,framerate=25/1\" ! "
                "videoconvert ! jpegenc quality=95 ! avimux ! filesink location=\"%s\"",
                w, h, path.c_str());
  GError* err = nullptr;
  GstElement* p = gst_parse_launch(line, &err);
  if (!p || err) throw std::runtime_error("clip maker: cannot build");
  GstElement* src = gst_bin_get_by_name(GST_BIN(p), "src");
  gst_element_set_state(p, GST_STATE_PAUSED);
  for (int i = 0; i < frames; ++i) {
    GstBuffer* b = gst_buffer_new_allocate(nullptr, size_t(w) * 4 * size_t(h), nullptr);
    GstMapInfo m;
    gst_buffer_map(b, &m, GST_MAP_WRITE);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        clips::Rgb c = paint(x, y, w, h);
        uint8_t* px = m.data + (size_t(y) * w + x) * 4;
        px[0] = uint8_t(c.b);
        px[1] = uint8_t(c.g);
        px[2] = uint8_t(c.r);
        px[3] = 255;
      }
    gst_buffer_unmap(b, &m);
    GST_BUFFER_PTS(b) = gst_util_uint64_scale(uint64_t(i), GST_SECOND, 25);
    GST_BUFFER_DURATION(b) = GST_SECOND / 25;
    gst_app_src_push_buffer(GST_APP_SRC(src), b);
  }
  gst_app_src_end_of_stream(GST_APP_SRC(src));
  gst_object_unref(src);
  clips::RunToEnd(p);
}

// A clip of one colour, made once per name.
inline std::string SolidClip(const std::string& name, clips::Rgb c, int w = 160, int h = 120, int frames = 25) {
  static std::map<std::string, std::string> made;
  auto it = made.find(name);
  if (it != made.end()) return it->second;
  std::string path = mediatest::Clips::Get().Dir() + "/" + name + ".avi";
  MakePaintedClip(path, [c](int, int, int, int) { return c; }, w, h, frames);
  made[name] = path;
  return path;
}

// Red, green, blue and white quadrants (top left, top right, bottom left,
// bottom right).
inline clips::Rgb Quadrant(int x, int y, int w, int h) {
  const bool right = x >= w / 2, bottom = y >= h / 2;
  if (!right && !bottom) return {220, 20, 20};
  if (right && !bottom) return {20, 200, 20};
  if (!right) return {20, 20, 220};
  return {240, 240, 240};
}

inline std::string QuadrantClip() {
  static std::string path;
  if (path.empty()) {
    path = mediatest::Clips::Get().Dir() + "/quadrants.avi";
    MakePaintedClip(path, Quadrant, 160, 120, 25);
  }
  return path;
}

}  // namespace videotest
