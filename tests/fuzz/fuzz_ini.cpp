// The ini engine: any text parses; reads after writes agree with a fresh
// parse of the written text; the text survives a parse unchanged.
#include "platform/IniFile.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TIniDocument doc;
  doc.SetText(fuzz::Bytes(data, size));
  const String text = doc.Text();
  TIniDocument again;
  again.SetText(text);
  FUZZ_CHECK(again.Text() == text);
  std::vector<String> sections = doc.ReadSections();
  // Writes into an existing section, a new key and a new section.
  const String first = sections.empty() ? String("Name") : sections[0];
  doc.WriteString(first, "fuzz", "one");
  FUZZ_CHECK(doc.ReadString(first, "fuzz", "") == "one");
  doc.WriteString("fuzz section", "k", "two");
  FUZZ_CHECK(doc.ReadString("FUZZ SECTION", "K", "") == "two");
  if (!sections.empty()) {
    const std::vector<String> keys = doc.ReadSection(sections.back());
    if (!keys.empty()) {
      doc.WriteString(sections.back(), keys[0], "three");
      FUZZ_CHECK(doc.ReadString(sections.back(), keys[0], "") == "three");
    }
  }
  TIniDocument fresh;
  fresh.SetText(doc.Text());
  FUZZ_CHECK(fresh.ReadSections() == doc.ReadSections());
  for (const String& sec : fresh.ReadSections())
    for (const String& key : fresh.ReadSection(sec))
      FUZZ_CHECK(fresh.ReadString(sec, key, "?") == doc.ReadString(sec, key, "!"));
  return 0;
}
