#pragma once
// The header of a Flash movie (.swf): stage size, frame rate and frame count,
// read from the file itself so that the player knows them before its page
// has loaded the movie.
//
// A movie is plain ("FWS"), zlib-compressed ("CWS") or LZMA-compressed
// ("ZWS"); only the first bytes are unpacked. A file whose declared length is
// beyond SwfMaxFileLength, shorter than its own header, or whose header
// cannot be read is refused with a reason.
#include <cstddef>
#include <cstdint>
#include "toolkit/Types.h"

struct TSwfHeader {
  char Compression = 'F';     // 'F' plain, 'C' zlib, 'Z' LZMA
  int Version = 0;
  uint32_t FileLength = 0;    // the unpacked length the file declares
  int Width = 0, Height = 0;  // stage size in pixels
  double FrameRate = 0;       // frames per second (0: as fast as possible)
  int FrameCount = 0;
  // The first frame (0-based) of the main timeline whose actions stop it for
  // good (a "stop" with no play, jump or branch beside it); -1 none or not
  // looked for. Filled by ReadSwfStopFrame.
  int StopFrame = -1;
};

// The largest unpacked movie accepted (256 MiB).
constexpr uint32_t SwfMaxFileLength = 256u << 20;

// Reads the header from the first bytes of a movie; false with the reason in
// Error when they are not a movie's header.
bool ParseSwfHeader(const uint8_t* Data, size_t Size, TSwfHeader& Header, String& Error);
// Reads the header of the movie file FileName.
bool ReadSwfHeader(const String& FileName, TSwfHeader& Header, String& Error);
// Unpacks the whole movie FileName (at most its declared length) and sets
// Header.StopFrame from its main timeline's frame actions.
void ReadSwfStopFrame(const String& FileName, TSwfHeader& Header);
// The same on a movie's unpacked body (what follows the 8-byte signature).
int FindSwfStopFrame(const uint8_t* Body, size_t Size);
