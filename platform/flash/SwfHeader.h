#pragma once
// The header of a Flash movie (.swf): stage size, frame rate and frame count,
// read from the file itself so that the player knows them before its page
// has loaded the movie, and checked against what the movie really holds.
//
// A movie is plain ("FWS"), zlib-compressed ("CWS") or LZMA-compressed
// ("ZWS"). The file is read through ReadFileBytes (a regular file, at most
// SwfMaxFileBytes), unpacked to its declared length and its main timeline's
// tags are walked once: a file whose declared length is beyond
// SwfMaxFileLength or differs from what it unpacks to, whose header cannot
// be read, whose tags are cut short or end before its declared frames is
// refused with a reason.
#include <cstddef>
#include <cstdint>
#include <string>
#include "toolkit/Types.h"

struct TSwfHeader {
  char Compression = 'F';     // 'F' plain, 'C' zlib, 'Z' LZMA
  int Version = 0;
  uint32_t FileLength = 0;    // the unpacked length the file declares
  int Width = 0, Height = 0;  // stage size in pixels
  double FrameRate = 0;       // frames per second (0: as fast as possible)
  int FrameCount = 0;         // the frames the header declares
  // The frames the main timeline really holds (its ShowFrame tags, at most
  // FrameCount): what a player can show. Filled by ParseSwfMovie.
  int ShownFrames = 0;
  // The first frame (0-based) of the main timeline whose actions stop it for
  // good (a "stop" with no play, jump or branch beside it); -1 none.
  int StopFrame = -1;
  // The movie's scripts are ActionScript 3 (its file attributes say so): its
  // timeline takes no frame actions of the older kind.
  bool ActionScript3 = false;
};

// The largest unpacked movie given to the player as a copy that holds its
// last frame (see ParseSwfMovie's Held): 64 MiB.
constexpr size_t SwfMaxHeldBytes = size_t(64) << 20;

// The largest unpacked movie accepted (256 MiB).
constexpr uint32_t SwfMaxFileLength = 256u << 20;
// The largest movie file read: a packed movie of incompressible data is a
// little longer than its unpacked length (zlib adds 5 bytes per 16 KiB block,
// LZMA about 1 %), so the file may exceed SwfMaxFileLength by 1/32.
constexpr size_t SwfMaxFileBytes = size_t(SwfMaxFileLength) + (SwfMaxFileLength >> 5);

// Reads the header from the first bytes of a movie; false with the reason in
// Error when they are not a movie's header. Only the header is unpacked.
bool ParseSwfHeader(const uint8_t* Data, size_t Size, TSwfHeader& Header, String& Error);
// Reads a whole movie from its bytes: the header, then the body unpacked to
// the declared length and its main timeline walked for ShownFrames and
// StopFrame. False with the reason when it is not a whole movie.
// With Held, a movie that is not ActionScript 3 and whose unpacked length is
// at most SwfMaxHeldBytes is also written there as a plain movie whose last
// shown frame stops the main timeline (a "stop" action after that frame's
// own), so that a player holds its last frame instead of starting it again;
// Held stays empty for any other movie.
bool ParseSwfMovie(const uint8_t* Data, size_t Size, TSwfHeader& Header, String& Error,
                   std::string* Held = nullptr);
// The same on the movie file FileName (ReadFileBytes, at most SwfMaxFileBytes:
// a FIFO, a device or a larger file is refused at once).
bool ReadSwfMovie(const String& FileName, TSwfHeader& Header, String& Error, std::string* Held = nullptr);
