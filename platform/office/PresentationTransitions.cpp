// Each slide's own entry effect from the presentation file (see the header).
#include "platform/office/PresentationTransitions.h"
#include <QFile>
#include <QXmlStreamReader>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include "platform/ZipPackage.h"
#include "platform/office/OfficeConverter.h"
#include "platform/office/SlideTransition.h"
#include "toolkit/Log.h"

namespace {

using namespace ppEntryEffect;

String S(QStringView v) { return v.toString().toStdString(); }

// A transition of a kind the show window has no counterpart for.
int Unmapped(const String& kind) {
  static std::mutex m;
  static std::set<String> logged;
  std::lock_guard<std::mutex> g(m);
  if (logged.insert(kind).second)
    LogFailure("tablo.office", "Slide transition \"" + kind + "\" has no counterpart here: it is drawn as a fade");
  return Fade;
}

int ByDirection(const String& dir, const std::map<String, int>& table, int fallback) {
  auto it = table.find(dir);
  return it == table.end() ? fallback : it->second;
}

// ---------------------------------------------------------------- .pptx

const char* const kPml = "http://schemas.openxmlformats.org/presentationml/2006/main";

int FromOoxml(const String& name, const QXmlStreamAttributes& a) {
  const String dir = S(a.value("dir")), orient = S(a.value("orient")), black = S(a.value("thruBlk"));
  const bool vert = dir == "vert";
  if (name == "cut") return black == "1" || black == "true" ? CutThroughBlack : Cut;
  if (name == "random") return Random;
  if (name == "dissolve") return Dissolve;
  if (name == "fade") return Fade;
  if (name == "blinds") return vert ? BlindsVertical : BlindsHorizontal;
  if (name == "checker") return vert ? CheckerboardDown : CheckerboardAcross;
  if (name == "randomBar") return vert ? RandomBarsVertical : RandomBarsHorizontal;
  if (name == "cover")
    return ByDirection(dir, {{"l", CoverLeft}, {"u", CoverUp}, {"r", CoverRight}, {"d", CoverDown},
                             {"lu", CoverLeftUp}, {"ru", CoverRightUp}, {"ld", CoverLeftDown}, {"rd", CoverRightDown}},
                       CoverLeft);
  if (name == "pull")
    return ByDirection(dir, {{"l", UncoverLeft}, {"u", UncoverUp}, {"r", UncoverRight}, {"d", UncoverDown},
                             {"lu", UncoverLeftUp}, {"ru", UncoverRightUp}, {"ld", UncoverLeftDown},
                             {"rd", UncoverRightDown}},
                       UncoverLeft);
  if (name == "strips")
    return ByDirection(dir, {{"lu", StripsLeftUp}, {"ru", StripsRightUp}, {"ld", StripsLeftDown}, {"rd", StripsRightDown}},
                       StripsLeftUp);
  if (name == "wipe")
    return ByDirection(dir, {{"l", WipeLeft}, {"u", WipeUp}, {"r", WipeRight}, {"d", WipeDown}}, WipeLeft);
  if (name == "zoom") return dir == "in" ? BoxIn : BoxOut;
  if (name == "split") {
    const bool in = dir == "in";
    if (orient == "vert") return in ? SplitVerticalIn : SplitVerticalOut;
    return in ? SplitHorizontalIn : SplitHorizontalOut;
  }
  return -1;
}

// ---------------------------------------------------------------- reading

// What is read of a package at most: far beyond the XML of any real slide
// (its pictures and media are parts of their own), so that a small file
// that inflates to gigabytes (a zip bomb) costs a bounded time and little
// memory. A part larger than its bound is not searched further; the slides
// that lie past the bound of the whole package keep no transition of their own.
constexpr uint64_t kMaxPartBytes = 16u << 20;      // a slide, the presentation or its relations
constexpr uint64_t kMaxContentBytes = 64u << 20;   // an OpenDocument's content (every slide)
constexpr uint64_t kMaxPackageBytes = 128u << 20;  // every part of a package together

struct TReading {
  String file;
  const std::atomic<bool>* stop = nullptr;
  uint64_t budget = kMaxPackageBytes;   // bytes of the package still to be read

  [[noreturn]] void fail(const String& reason) const { throw EOfficeError(ExtractFileName(file) + ": " + reason); }
  void checkStop() const {
    if (stop && stop->load()) throw EAbort("Reading the slide transitions of " + ExtractFileName(file) + " was stopped");
  }
};

// The tokens of an XML text fed piece by piece: Token sees each and returns
// false once it has what it wants. Feed returns false when no more is wanted
// (Token is satisfied, the document ended, or it is not well-formed).
template <class F>
struct TXmlFeed {
  QXmlStreamReader x;
  F token;
  bool more = true;
  bool feed(const char* data, size_t size) {
    x.addData(QByteArray(data, qsizetype(size)));
    while (more) {
      const auto t = x.readNext();
      // Well-formed so far: the next piece goes on where this one ended.
      if (x.hasError()) return x.error() == QXmlStreamReader::PrematureEndOfDocumentError;
      more = token(x, t) && t != QXmlStreamReader::EndDocument;
    }
    return false;
  }
};
// Deduced from the handler (clang before 17 deduces no aggregate's arguments).
template <class F>
TXmlFeed(QXmlStreamReader&&, F) -> TXmlFeed<F>;

// Parses member Name of the package as it is inflated, no more than Bound
// bytes of it (and no more than the package has left).
template <class F>
TZipRead ParseMember(TZipPackage& zip, TReading& r, const String& name, bool required, uint64_t bound,
                     TXmlFeed<F>& xml) {
  uint64_t used = 0;
  const TZipRead how = zip.Read(name, required, std::min(bound, r.budget), [&](const char* data, size_t size) {
    r.checkStop();
    used += size;
    return xml.feed(data, size);
  });
  r.budget -= std::min(used, r.budget);
  if (how == TZipRead::Bounded)
    LogNote("tablo.office", ExtractFileName(r.file) + ": " + name + " holds more XML than is read for its slide transitions (" +
                                std::to_string(used >> 20) + " MB)");
  return how;
}

// ---------------------------------------------------------------- .pptx

// The effect of one slide part: the first transition written in the
// presentation namespace that the show window knows (a newer program writes
// its own kind first and a plain one as the fallback).
int SlideOfPptx(TZipPackage& zip, TReading& r, const String& part) {
  int depthIn = -1, depth = 0, found = -1;
  String firstUnknown;
  TXmlFeed feed{QXmlStreamReader(), [&](QXmlStreamReader& x, QXmlStreamReader::TokenType t) {
    if (t == QXmlStreamReader::StartElement) {
      ++depth;
      if (x.name() == u"transition") {
        depthIn = depth;
      } else if (depthIn >= 0 && depth == depthIn + 1) {
        const String name = S(x.name());
        if (x.namespaceUri() == QLatin1String(kPml)) {
          found = FromOoxml(name, x.attributes());
          if (found >= 0) return false;
        }
        if (firstUnknown.empty()) firstUnknown = name;
      }
    } else if (t == QXmlStreamReader::EndElement) {
      if (depth == depthIn) depthIn = -1;
      --depth;
    }
    return true;
  }};
  ParseMember(zip, r, part, false, kMaxPartBytes, feed);
  if (found >= 0) return found;
  if (!firstUnknown.empty()) return Unmapped(firstUnknown);
  return None;
}

std::vector<int> ReadPptx(const String& file, const std::atomic<bool>* stop) {
  TReading r{file, stop};
  TZipPackage zip(file, [&](const String& reason) { r.fail(reason); });
  std::map<String, String> targets;
  TXmlFeed rels{QXmlStreamReader(), [&](QXmlStreamReader& x, QXmlStreamReader::TokenType t) {
    if (t == QXmlStreamReader::StartElement && x.name() == u"Relationship")
      targets[S(x.attributes().value("Id"))] = S(x.attributes().value("Target"));
    return true;
  }};
  ParseMember(zip, r, "ppt/_rels/presentation.xml.rels", true, kMaxPartBytes, rels);
  std::vector<String> parts;
  TXmlFeed presentation{QXmlStreamReader(), [&](QXmlStreamReader& x, QXmlStreamReader::TokenType t) {
    if (t != QXmlStreamReader::StartElement || x.name() != u"sldId") return true;
    String target;
    for (const QXmlStreamAttribute& a : x.attributes())
      if (a.name() == u"id" && !a.namespaceUri().isEmpty()) target = targets[S(a.value())];
    if (!target.empty()) parts.push_back(target[0] == '/' ? target.substr(1) : "ppt/" + target);
    return true;
  }};
  ParseMember(zip, r, "ppt/presentation.xml", true, kMaxPartBytes, presentation);
  std::vector<int> out;
  for (const String& part : parts) out.push_back(r.budget > 0 ? SlideOfPptx(zip, r, part) : int(None));
  return out;
}

// ---------------------------------------------------------------- OpenDocument

struct Smil {
  String type, subtype;
  bool reverse = false;
};

Smil SmilOf(const QXmlStreamAttributes& a) {
  Smil s;
  for (const QXmlStreamAttribute& at : a) {
    if (at.name() == u"type" && at.namespaceUri().contains(u"smil")) s.type = S(at.value());
    if (at.name() == u"subtype" && at.namespaceUri().contains(u"smil")) s.subtype = S(at.value());
    if (at.name() == u"direction" && at.namespaceUri().contains(u"smil")) s.reverse = at.value() == u"reverse";
  }
  return s;
}

// The office suite's words for the program's effects (as its own import of
// them writes them).
int FromSmil(const Smil& s) {
  const String& t = s.type;
  const String& st = s.subtype;
  const bool r = s.reverse;
  if (t.empty()) return None;
  if (t == "random") return Random;
  if (t == "dissolve") return Dissolve;
  if (t == "fade") return Fade;
  if (t == "barWipe") {
    if (st == "fadeOverColor") return CutThroughBlack;
    if (st == "topToBottom") return r ? WipeUp : WipeDown;
    return r ? WipeLeft : WipeRight;
  }
  if (t == "slideWipe") {
    static const std::map<String, std::pair<int, int>> dirs = {
        {"fromLeft", {CoverLeft, UncoverLeft}},          {"fromBottom", {CoverUp, UncoverUp}},
        {"fromRight", {CoverRight, UncoverRight}},       {"fromTop", {CoverDown, UncoverDown}},
        {"fromBottomRight", {CoverLeftUp, UncoverLeftUp}}, {"fromBottomLeft", {CoverRightUp, UncoverRightUp}},
        {"fromTopRight", {CoverLeftDown, UncoverLeftDown}}, {"fromTopLeft", {CoverRightDown, UncoverRightDown}}};
    auto it = dirs.find(st);
    if (it != dirs.end()) return r ? it->second.second : it->second.first;
  }
  if (t == "blindsWipe") return st == "vertical" ? BlindsVertical : BlindsHorizontal;
  if (t == "checkerBoardWipe") return st == "down" ? CheckerboardDown : CheckerboardAcross;
  if (t == "randomBarWipe") return st == "vertical" ? RandomBarsVertical : RandomBarsHorizontal;
  if (t == "barnDoorWipe") {
    if (st == "vertical") return r ? SplitVerticalIn : SplitVerticalOut;
    return r ? SplitHorizontalIn : SplitHorizontalOut;
  }
  if (t == "zoom" || (t == "irisWipe" && st == "rectangle")) return r ? BoxIn : BoxOut;
  return Unmapped(st.empty() ? t : t + " " + st);
}

// The slides of an OpenDocument presentation's content, fed piece by piece
// by Read (which hands each piece to Take and tells how it ended).
std::vector<int> ReadOdfXml(TReading& r, const std::function<TZipRead(const TZipPackage::TTake&)>& read) {
  std::map<String, Smil> styles;
  String style;            // the drawing-page style being read
  std::vector<std::pair<String, Smil>> pages;   // style name, transition inside the page
  bool inPage = false;
  TXmlFeed feed{QXmlStreamReader(), [&](QXmlStreamReader& x, QXmlStreamReader::TokenType t) {
    if (t == QXmlStreamReader::StartElement) {
      if (x.name() == u"style" && x.attributes().value("style:family") == u"drawing-page") {
        style = S(x.attributes().value("style:name"));
      } else if (x.name() == u"drawing-page-properties" && !style.empty()) {
        styles[style] = SmilOf(x.attributes());
      } else if (x.name() == u"page" && x.namespaceUri().contains(u"drawing")) {
        pages.push_back({S(x.attributes().value("draw:style-name")), Smil{}});
        inPage = true;
      } else if (inPage && x.name() == u"transitionFilter" && pages.back().second.type.empty()) {
        pages.back().second = SmilOf(x.attributes());
      }
    } else if (t == QXmlStreamReader::EndElement) {
      if (x.name() == u"style") style.clear();
      if (x.name() == u"page" && x.namespaceUri().contains(u"drawing")) inPage = false;
    }
    return true;
  }};
  const TZipRead how = read([&](const char* data, size_t size) {
    r.checkStop();
    return feed.feed(data, size);
  });
  // Cut short by the bound, the slides read so far keep their transitions.
  if (how == TZipRead::Bounded)
    LogNote("tablo.office", ExtractFileName(r.file) + ": its content holds more XML than is read for its slide transitions (" +
                                std::to_string(kMaxContentBytes >> 20) + " MB)");
  const QXmlStreamReader& x = feed.x;
  if (x.hasError() && !(how == TZipRead::Bounded && x.error() == QXmlStreamReader::PrematureEndOfDocumentError))
    r.fail(S(x.errorString()));
  std::vector<int> out;
  for (const auto& [name, own] : pages) {
    auto it = styles.find(name);
    out.push_back(FromSmil(it != styles.end() && !it->second.type.empty() ? it->second : own));
  }
  return out;
}

std::vector<int> ReadOdp(const String& file, const std::atomic<bool>* stop) {
  TReading r{file, stop};
  TZipPackage zip(file, [&](const String& reason) { r.fail(reason); });
  return ReadOdfXml(r, [&](const TZipPackage::TTake& take) { return zip.Read("content.xml", true, kMaxContentBytes, take); });
}

// A flat OpenDocument presentation, read piece by piece like a package's content.
std::vector<int> ReadFlatOdp(const String& file, const std::atomic<bool>* stop) {
  TReading r{file, stop};
  QFile f(QString::fromStdString(file));
  if (!f.open(QIODevice::ReadOnly)) r.fail("cannot be read");
  return ReadOdfXml(r, [&](const TZipPackage::TTake& take) {
    char buffer[64 * 1024];
    for (uint64_t total = 0; total < kMaxContentBytes;) {
      const qint64 n = f.read(buffer, sizeof buffer);
      if (n < 0) r.fail("cannot be read");
      if (n == 0) return TZipRead::Whole;
      total += uint64_t(n);
      if (!take(buffer, size_t(n))) return TZipRead::Stopped;
    }
    return TZipRead::Bounded;
  });
}

}  // namespace

std::vector<int> ReadSlideTransitions(const String& FileName, const std::atomic<bool>* Stop) {
  const String filter = TOfficeConverter::ImportFilter(FileName);
  if (filter == "Impress MS PowerPoint 2007 XML") return ReadPptx(FileName, Stop);
  if (filter == "impress8") return ReadOdp(FileName, Stop);
  if (filter == "OpenDocument Presentation Flat XML") return ReadFlatOdp(FileName, Stop);
  if (filter == "MS PowerPoint 97") return ReadOdp(TOfficeConverter::ToOdp(FileName), Stop);
  throw EOfficeError(ExtractFileName(FileName) + " is not a presentation");
}
