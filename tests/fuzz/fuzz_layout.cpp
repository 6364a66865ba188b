// The layout file: any file loads or is refused without a crash, every
// object stays within the sizes a layout may give it, and a layout that
// loaded is written and read back to the same file.
#include "console/FMain.h"
#include "tests/fuzz/FuzzSupport.h"
#include "toolkit/Forms.h"
#include "toolkit/TestApp.h"

namespace {

TFormMain* Form() {
  static TFormMain* form = [] {
    const String app = fuzz::Folder() + "app/";
    for (const char* d : {"Teams", "Texts", "Pics", "Views"}) ForceDirectories(app + d);
    TBitmap pic(16, 12);
    pic.SaveToFile(app + "Views/fon.bmp");
    auto* f = new TFormMain(nullptr, TFormMainEnvironment{app, "tablo_fuzz"});
    f->AfterConstruction();
    return f;
  }();
  return form;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  TestApp::Init(*argc, *argv);
  Form();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TFormMain* f = Form();
  const String file = fuzz::AsFile("layout.txt", data, size);
  if (f->LoadTabloLayout(file)) {
    for (TWinControl* page : f->LayoutPages)
      for (int k = 0; page && k < page->ControlCount(); ++k) {
        const TControl* c = page->Controls(k);
        FUZZ_CHECK(c->Width() >= 0 && c->Width() <= 100000 && c->Height() >= 0 && c->Height() <= 100000);
      }
    const String once = fuzz::Folder() + "once.txt", twice = fuzz::Folder() + "twice.txt";
    FUZZ_CHECK(f->SaveTabloLayout(once));
    FUZZ_CHECK(f->LoadTabloLayout(once));
    FUZZ_CHECK(f->SaveTabloLayout(twice));
    FUZZ_CHECK(LoadTextFile(once) == LoadTextFile(twice));
  }
  Application->ProcessMessages();
  return 0;
}
