// Edit masks: any mask text (first line of the input) and any value (the
// rest) give an edit text of the mask's length.
#include "tests/fuzz/FuzzSupport.h"
#include "toolkit/Mask.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const String in = fuzz::Bytes(data, size);
  const size_t nl = in.find('\n');
  const String mask = in.substr(0, nl);
  const String value = nl == String::npos ? String() : in.substr(nl + 1);
  try {
    TEditMask m(mask);
    const String edit = m.FromText(value);
    FUZZ_CHECK(Utf8Length(edit) == m.Length() || m.Empty());
    m.ToText(edit);
    m.FromEditText(edit);
    for (int i = 0; i <= m.Length(); ++i) {
      FUZZ_CHECK(m.NextInput(i) >= i || m.NextInput(i) == m.Length());
      FUZZ_CHECK(m.PrevInput(i) < m.Length());
    }
    FormatMaskText(mask, value);
  } catch (const Exception&) {
  }
  return 0;
}
