// Text lists ("Gols.txt", running texts, links, play lists): any bytes load
// as lines; saving and loading again changes nothing; comma text round-trips.
#include "tests/fuzz/FuzzSupport.h"
#include "toolkit/Classes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TStringList list;
  list.LoadFromFile(fuzz::AsFile("list.txt", data, size));
  const String saved = fuzz::Folder() + "saved.txt";
  list.SaveToFile(saved);
  TStringList back;
  back.LoadFromFile(saved);
  FUZZ_CHECK(back.Text() == list.Text());
  TStringList comma;
  comma.SetCommaText(list.CommaText());
  if (list.Count() > 0) FUZZ_CHECK(comma.Text() == list.Text());
  return 0;
}
