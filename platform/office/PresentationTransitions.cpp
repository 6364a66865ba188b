// Each slide's own entry effect from the presentation file (see the header).
#include "platform/office/PresentationTransitions.h"
#include <QFile>
#include <QXmlStreamReader>
#include <cstdio>
#include <map>
#include <mutex>
#include <set>
#include "platform/ZipPackage.h"
#include "platform/office/OfficeConverter.h"
#include "platform/office/SlideTransition.h"

namespace {

using namespace ppEntryEffect;

String S(QStringView v) { return v.toString().toStdString(); }

// A transition of a kind the show window has no counterpart for.
int Unmapped(const String& kind) {
  static std::mutex m;
  static std::set<String> logged;
  std::lock_guard<std::mutex> g(m);
  if (logged.insert(kind).second)
    std::fprintf(stderr, "Slide transition \"%s\" has no counterpart here: it is drawn as a fade\n", kind.c_str());
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

// The effect of one slide part: the first transition written in the
// presentation namespace that the show window knows (a newer program writes
// its own kind first and a plain one as the fallback).
int SlideOfPptx(const QByteArray& xml) {
  QXmlStreamReader x(xml);
  int depthIn = -1, depth = 0;
  String firstUnknown;
  while (!x.atEnd()) {
    const auto t = x.readNext();
    if (t == QXmlStreamReader::StartElement) {
      ++depth;
      if (x.name() == u"transition") {
        depthIn = depth;
      } else if (depthIn >= 0 && depth == depthIn + 1) {
        const String name = S(x.name());
        if (x.namespaceUri() == QLatin1String(kPml)) {
          const int e = FromOoxml(name, x.attributes());
          if (e >= 0) return e;
        }
        if (firstUnknown.empty()) firstUnknown = name;
      }
    } else if (t == QXmlStreamReader::EndElement) {
      if (depth == depthIn) depthIn = -1;
      --depth;
    }
  }
  if (!firstUnknown.empty()) return Unmapped(firstUnknown);
  return None;
}

std::vector<int> ReadPptx(const String& file) {
  TZipPackage zip(file, [&](const String& reason) { throw EOfficeError(ExtractFileName(file) + ": " + reason); });
  std::map<String, String> targets;
  {
    QXmlStreamReader x(zip.Read("ppt/_rels/presentation.xml.rels", true));
    while (!x.atEnd())
      if (x.readNext() == QXmlStreamReader::StartElement && x.name() == u"Relationship")
        targets[S(x.attributes().value("Id"))] = S(x.attributes().value("Target"));
  }
  std::vector<int> out;
  QXmlStreamReader x(zip.Read("ppt/presentation.xml", true));
  while (!x.atEnd()) {
    if (x.readNext() != QXmlStreamReader::StartElement || x.name() != u"sldId") continue;
    String target;
    for (const QXmlStreamAttribute& a : x.attributes())
      if (a.name() == u"id" && !a.namespaceUri().isEmpty()) target = targets[S(a.value())];
    if (target.empty()) continue;
    const String part = target[0] == '/' ? target.substr(1) : "ppt/" + target;
    out.push_back(SlideOfPptx(zip.Read(part, false)));
  }
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

std::vector<int> ReadOdfXml(const QByteArray& xml, const String& file) {
  QXmlStreamReader x(xml);
  std::map<String, Smil> styles;
  String style;            // the drawing-page style being read
  std::vector<std::pair<String, Smil>> pages;   // style name, transition inside the page
  bool inPage = false;
  while (!x.atEnd()) {
    const auto t = x.readNext();
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
  }
  if (x.hasError()) throw EOfficeError(ExtractFileName(file) + ": " + S(x.errorString()));
  std::vector<int> out;
  for (const auto& [name, own] : pages) {
    auto it = styles.find(name);
    out.push_back(FromSmil(it != styles.end() && !it->second.type.empty() ? it->second : own));
  }
  return out;
}

std::vector<int> ReadOdp(const String& file) {
  TZipPackage zip(file, [&](const String& reason) { throw EOfficeError(ExtractFileName(file) + ": " + reason); });
  return ReadOdfXml(zip.Read("content.xml", true), file);
}

}  // namespace

std::vector<int> ReadSlideTransitions(const String& FileName) {
  const String filter = TOfficeConverter::ImportFilter(FileName);
  if (filter == "Impress MS PowerPoint 2007 XML") return ReadPptx(FileName);
  if (filter == "impress8") return ReadOdp(FileName);
  if (filter == "OpenDocument Presentation Flat XML") {
    QFile f(QString::fromStdString(FileName));
    if (!f.open(QIODevice::ReadOnly)) throw EOfficeError("Cannot read " + FileName);
    return ReadOdfXml(f.readAll(), FileName);
  }
  if (filter == "MS PowerPoint 97") return ReadOdp(TOfficeConverter::ToOdp(FileName));
  throw EOfficeError(ExtractFileName(FileName) + " is not a presentation");
}
