// The media play list: any file loads as entries or is refused, each entry
// has the kind of its name, and a list saved and loaded again has the same
// entries in the same folders.
#include "console/FrMedia.h"
#include "tests/fuzz/FuzzSupport.h"
#include "toolkit/CheckLst.h"
#include "toolkit/Forms.h"
#include "toolkit/TestApp.h"

namespace {

TFrameMedia* Frame() {
  static TFrameMedia* frame = new TFrameMedia(nullptr);
  return frame;
}

std::vector<String> Entries(TFrameMedia* f) {
  std::vector<String> out;
  for (int i = 0; i < f->ListMedia->Count(); ++i) out.push_back(f->GetItemPath(i));
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  TestApp::Init(*argc, *argv);
  Frame();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TFrameMedia* f = Frame();
  const String file = fuzz::AsFile("list.txt", data, size);
  try {
    f->LoadPlayList(file);
  } catch (const EFOpenError&) {
    return 0;   // not a text file: refused, the list stays
  }
  for (int i = 0; i < f->ListMedia->Count(); ++i) {
    const TMediaItem* it = f->Item(i);
    FUZZ_CHECK(it && it->Kind == ClassifyMediaFile(it->FileName));
    FUZZ_CHECK(f->ListMedia->Checked(i));
  }
  const std::vector<String> before = Entries(f);
  const String saved = fuzz::Folder() + "saved.txt";
  f->SavePlayList(saved);
  f->LoadPlayList(saved);
  FUZZ_CHECK(Entries(f) == before);
  Application->ProcessMessages();
  return 0;
}
