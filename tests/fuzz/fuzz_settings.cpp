// The settings store: any file opens without a crash, every value reads as
// its type, a write merges into it and reads back.
#include <filesystem>
#include "tests/fuzz/FuzzSupport.h"
#include "toolkit/Registry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Folder();
  const String store = TRegistry::StoreFileName();
  std::filesystem::create_directories(std::filesystem::path(store).parent_path());
  {
    FILE* f = std::fopen(store.c_str(), "wb");
    if (!f) return 0;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  TRegistry reg;
  reg.KeepDamagedFile();
  TStringList keys;
  reg.GetKeyNames(&keys);
  for (int k = 0; k < keys.Count() && k < 8; ++k) {
    TRegistry r;
    if (!r.OpenKey("\\" + keys[k], false)) continue;
    TStringList names;
    r.GetValueNames(&names);
    for (int i = 0; i < names.Count(); ++i) {
      try {
        switch (r.GetDataType(names[i])) {
          case rdInteger: r.ReadInteger(names[i]); break;
          case rdBool: r.ReadBool(names[i]); break;
          case rdInt64: r.ReadInt64(names[i]); break;
          default: r.ReadString(names[i]); break;
        }
      } catch (const ERegistryException&) {
        FUZZ_CHECK(false);   // a value of its own type always reads
      }
    }
  }
  {
    TRegistry w;
    FUZZ_CHECK(w.OpenKey("\\Software\\Quellmark\\fuzz", true));
    w.WriteString("Title", "a\\b\nc=d");
    w.WriteInteger("S1", 3);
    w.CloseKey();
  }
  TRegistry r;
  FUZZ_CHECK(r.OpenKey("\\Software\\Quellmark\\fuzz", false));
  FUZZ_CHECK(r.ReadString("Title") == "a\\b\nc=d");
  FUZZ_CHECK(r.ReadInteger("S1") == 3);
  return 0;
}
