// The system-information record (see system_info.h).
#include "vm/services/lifecycle/system_info.h"

#include <cstring>

#include "ce/substrate/vm_sections.h"

namespace {

constexpr char kUnknown[] = "UNKNOWN";
constexpr uint16_t kUnknownUnits[] = {'U', 'N', 'K', 'N', 'O', 'W', 'N'};
constexpr int32_t kUnknownLength = sizeof kUnknownUnits / sizeof kUnknownUnits[0];

// The words are checked against the record's fields.
constexpr bool wordsMatchRecord() {
  constexpr auto word = [](size_t offset) { return kVsSystemInfoWords[offset / 4].kind; };
  bool ok = word(offsetof(VsSystemInfo, text0)) == VsSystemInfoKind::Text &&
            word(offsetof(VsSystemInfo, text1)) == VsSystemInfoKind::Text &&
            word(offsetof(VsSystemInfo, number0)) == VsSystemInfoKind::Number &&
            word(offsetof(VsSystemInfo, number1)) == VsSystemInfoKind::Number;
  for (int32_t i = 0; i < kVsSystemInfoIndexedTexts; ++i)
    ok = ok &&
         word(offsetof(VsSystemInfo, indexedTexts) + 4 * static_cast<size_t>(i)) == VsSystemInfoKind::Text;
  for (int32_t i = 0; i < kVsSystemInfoWideTexts; ++i) {
    const size_t at =
        offsetof(VsSystemInfo, wideTexts) + sizeof(VsSystemInfoWideText) * static_cast<size_t>(i);
    ok = ok && word(at + offsetof(VsSystemInfoWideText, units)) == VsSystemInfoKind::WideUnits &&
         word(at + offsetof(VsSystemInfoWideText, length)) == VsSystemInfoKind::WideLength;
  }
  return ok;
}
static_assert(wordsMatchRecord());

VS_VMBSS(VsSystemInfo) gInfo = {};
VS_VMBSS(int32_t) gFilled = 0;

VmWord wordAt(const VsSystemInfo& info, int32_t index) {
  VmWord word;
  std::memcpy(&word, reinterpret_cast<const uint8_t*>(&info) + 4 * index, sizeof word);
  return word;
}

void setWordAt(VsSystemInfo* info, int32_t index, VmWord word) {
  std::memcpy(reinterpret_cast<uint8_t*>(info) + 4 * index, &word, sizeof word);
}

void fill(VsSystemInfo* info) {
  // Decided before any word changes: texts 0 and 1 share text 1's guard.
  bool unset[kVsSystemInfoWordCount];
  for (int32_t i = 0; i < kVsSystemInfoWordCount; ++i)
    unset[i] = wordAt(*info, kVsSystemInfoWords[i].guard) == 0;
  for (int32_t i = 0; i < kVsSystemInfoWordCount; ++i) {
    switch (kVsSystemInfoWords[i].kind) {
      case VsSystemInfoKind::Text:
        if (unset[i]) setWordAt(info, i, vsWord_fromPointer(kUnknown));
        break;
      case VsSystemInfoKind::Number:
        setWordAt(info, i, 0);
        break;
      case VsSystemInfoKind::WideUnits:
        if (wordAt(*info, i) == 0) {
          setWordAt(info, i, vsWord_fromPointer(kUnknownUnits));
          setWordAt(info, i + 1, kUnknownLength);
        }
        break;
      case VsSystemInfoKind::WideLength:
        break;
    }
  }
}

}  // namespace

const VsSystemInfo* vsSystemInfo_get() {
  if (gFilled == 0) {
    fill(&gInfo);
    gFilled = 1;
  }
  return &gInfo;
}
