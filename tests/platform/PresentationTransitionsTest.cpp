// Each slide's own transition read from presentations the test writes: a
// ".pptx" package and a flat OpenDocument presentation (the binary ".ppt" goes
// through the office suite and is tested with the controller).
#include <gtest/gtest.h>
#include <zip.h>
#include "platform/office/OfficeConverter.h"
#include "platform/office/PresentationTransitions.h"
#include "platform/office/SlideTransition.h"
#include "support/OfficeSamples.h"

using namespace ppEntryEffect;

namespace {

// A presentation package with one slide per transition element ("" none),
// listed in the presentation in the reverse order of their part names, so
// that the order comes from the presentation and not from the names.
String WritePptx(const std::vector<std::string>& transitions) {
  const String file = officesamples::UseTestCache() + "transitions.pptx";
  std::remove(file.c_str());
  int err = 0;
  zip_t* z = zip_open(file.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
  std::vector<std::string> parts;   // kept alive until the package is closed
  auto add = [&](const std::string& name, std::string data) {
    parts.push_back(std::move(data));
    zip_source_t* s = zip_source_buffer(z, parts.back().data(), parts.back().size(), 0);
    zip_file_add(z, name.c_str(), s, ZIP_FL_OVERWRITE);
  };
  parts.reserve(transitions.size() + 4);
  add("[Content_Types].xml", "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>");
  std::string rels, ids;
  const int n = int(transitions.size());
  for (int i = 0; i < n; ++i) {
    const std::string part = "slide" + std::to_string(n - i) + ".xml";
    rels += "<Relationship Id=\"rId" + std::to_string(i + 2) + "\" Target=\"slides/" + part + "\"/>";
    ids += "<p:sldId id=\"" + std::to_string(256 + i) + "\" r:id=\"rId" + std::to_string(i + 2) + "\"/>";
    const std::string& t = transitions[size_t(i)];
    add("ppt/slides/" + part,
        "<p:sld xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\" "
        "xmlns:p14=\"http://schemas.microsoft.com/office/powerpoint/2010/main\" "
        "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\"><p:cSld/>" + t + "</p:sld>");
  }
  add("ppt/_rels/presentation.xml.rels",
      "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" + rels + "</Relationships>");
  add("ppt/presentation.xml",
      "<p:presentation xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\" "
      "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><p:sldIdLst>" + ids +
          "</p:sldIdLst></p:presentation>");
  zip_close(z);
  return file;
}

std::string T(const std::string& inner) { return "<p:transition spd=\"fast\">" + inner + "</p:transition>"; }

}  // namespace

TEST(PresentationTransitionsTest, APptxGivesEachSlideItsOwnEffectInPresentationOrder) {
  const std::pair<std::string, int> slides[] = {
      {T("<p:wipe dir=\"l\"/>"), WipeLeft},
      {T("<p:cover dir=\"d\"/>"), CoverDown},
      {T("<p:split orient=\"vert\" dir=\"out\"/>"), SplitVerticalOut},
      {T("<p:blinds/>"), BlindsHorizontal},
      {T("<p:cut thruBlk=\"1\"/>"), CutThroughBlack},
      {T("<p:strips dir=\"ld\"/>"), StripsLeftDown},
      {T("<p:pull dir=\"ru\"/>"), UncoverRightUp},
      {"", None},
      // A newer kind first, the plain one as the fallback.
      {"<mc:AlternateContent><mc:Choice Requires=\"p14\">" + T("<p14:vortex dir=\"r\"/>") +
           "</mc:Choice><mc:Fallback>" + T("<p:dissolve/>") + "</mc:Fallback></mc:AlternateContent>",
       Dissolve},
      // No counterpart here: drawn as a fade.
      {T("<p:push dir=\"u\"/>"), Fade},
  };
  std::vector<std::string> parts;
  std::vector<int> want;
  for (const auto& [xml, effect] : slides) {
    parts.push_back(xml);
    want.push_back(effect);
  }
  EXPECT_EQ(ReadSlideTransitions(WritePptx(parts)), want);
}

// A slide part that inflates to more than is read for a transition (a zip
// bomb) is not searched past its bound; the slides after it keep theirs.
TEST(PresentationTransitionsTest, ASlidePartIsSearchedOnlyAsFarAsItsBound) {
  const std::string filler = "<p:cSld>" + std::string(size_t(20) << 20, ' ') + "</p:cSld>";
  const std::pair<std::string, int> slides[] = {
      {T("<p:wipe dir=\"l\"/>"), WipeLeft},
      {filler + T("<p:cover dir=\"d\"/>"), None},
      {T("<p:split orient=\"vert\" dir=\"out\"/>"), SplitVerticalOut},
  };
  std::vector<std::string> parts;
  std::vector<int> want;
  for (const auto& [xml, effect] : slides) {
    parts.push_back(xml);
    want.push_back(effect);
  }
  EXPECT_EQ(ReadSlideTransitions(WritePptx(parts)), want);
}

TEST(PresentationTransitionsTest, AnOpenDocumentGivesEachSlideItsOwnEffect) {
  const std::pair<officesamples::Transition, int> slides[] = {
      {{"barWipe", "leftToRight", "reverse"}, WipeLeft},
      {{"slideWipe", "fromTop", ""}, CoverDown},
      {{"slideWipe", "fromTop", "reverse"}, UncoverDown},
      {{"barnDoorWipe", "vertical", ""}, SplitVerticalOut},
      {{"fade", "crossfade", ""}, Fade},
      {{"", "", ""}, None},
      {{"ellipseWipe", "circle", ""}, Fade},
  };
  std::vector<String> colours;
  std::vector<officesamples::Transition> transitions;
  std::vector<int> want;
  for (const auto& [t, effect] : slides) {
    colours.push_back("#ff0000");
    transitions.push_back(t);
    want.push_back(effect);
  }
  const String file = officesamples::UseTestCache() + "transitions.fodp";
  SaveTextFile(file, officesamples::FlatDeck(colours, transitions));
  EXPECT_EQ(ReadSlideTransitions(file), want);
  EXPECT_THROW(ReadSlideTransitions(officesamples::UseTestCache() + "missing.pptx"), EOfficeError);
}
