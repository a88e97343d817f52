// The assembler file of the class image (see image_writer.h).
#include "tools/romizer/image_writer.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

#include "tools/romizer/romizer_names.h"
#include "vm/core/image/image_format.h"
#include "vm/core/interp/method_entries.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/object_layout.h"
#include "vm/core/model/well_known_symbols.h"

namespace {

constexpr const char* kReadOnly = "vsImage_readOnly";
constexpr const char* kHeapPart = "vsImage_heapPart";
constexpr const char* kBlock = "vsImage_writableBlock";
constexpr const char* kArea = "vsImage_writableArea";
constexpr const char* kEntryTable = "vsImage_entryTable";
constexpr uint32_t kOwnEntryOffset = 16;
constexpr uint32_t kEntryWordIndex = 5;

class Writer {
 public:
  Writer(const RomizerModel& model, const ImageLayout& layout)
      : model_(model), layout_(layout), where_(layout) {
    for (uint32_t i = 0; i < model.entrySlots.size(); ++i) slotOf_[model.entrySlots[i]] = i;
  }

  std::string run();

 private:
  void line(const std::string& text) {
    out_ += text;
    out_ += '\n';
  }
  void label(const char* name, bool global) {
    if (global) line(std::string("\t.globl ") + name);
    line(std::string(name) + ":");
  }
  void word(uint32_t value) { line("\t.long " + std::to_string(value)); }
  void word(const std::string& expression) { line("\t.long " + expression); }
  static std::string at(const char* label, uint32_t offset) {
    return offset == 0 ? std::string(label) : std::string(label) + "+" + std::to_string(offset);
  }

  std::string reference(VmWord value, const char* owner, uint32_t index) const;
  std::string entry(VmWord value, VmWord wordAt, const std::string& owner) const;
  std::string function(VmWord value, VmWord wordAt, const std::string& owner) const;
  std::string recordWord(const ImageRecord& r, uint32_t i) const;
  void records(const std::vector<ImageRecord>& records);

  const RomizerModel& model_;
  const ImageLayout& layout_;
  ImageAddressMap where_;
  std::map<VmRef, uint32_t> slotOf_;
  std::string out_;
};

std::string Writer::reference(VmWord value, const char* owner, uint32_t index) const {
  if (value == 0) return "0";
  const ImageTarget t = where_.find(value);
  if (!t.ok) romizer_fail("%s: word %u points outside the image", owner, index);
  switch (t.part) {
    case ImagePart::ReadOnly:
      return at(kReadOnly, t.offset);
    case ImagePart::Heap:
      return at(kHeapPart, t.offset);
    case ImagePart::Block:
      return at(kArea, t.offset);
    case ImagePart::Strings:
      return at(kArea, layout_.blockSize + t.offset);
  }
  return "0";
}

std::string Writer::entry(VmWord value, VmWord wordAt, const std::string& owner) const {
  const auto named = model_.symbolWords.find(wordAt);
  if (named != model_.symbolWords.end()) return named->second;
  if (value == 0) return "0";
  const int32_t kind = vsMethodEntry_kindOfWord(value);
  if (kind < 0) romizer_fail("%s: entry word is not an entry record", owner.c_str());
  return std::string(vsMethodEntry_name(static_cast<MethodEntryKind>(kind))) + "-" +
         std::to_string(kMethodEntryTrapBytes);
}

std::string Writer::function(VmWord value, VmWord wordAt, const std::string& owner) const {
  const auto named = model_.symbolWords.find(wordAt);
  if (named != model_.symbolWords.end()) return named->second;
  if (value == 0) return "0";
  romizer_fail("%s: function word not bound to a symbol", owner.c_str());
}

std::string Writer::recordWord(const ImageRecord& r, uint32_t i) const {
  const ImageWord& w = r.words[i];
  // A word that a pass named as a symbol of the program is that symbol.
  const auto named = model_.symbolWords.find(w.at);
  if (named != model_.symbolWords.end()) return named->second;
  switch (w.kind) {
    case WordKind::Scalar:
      return std::to_string(w.value);
    case WordKind::Reference:
      return reference(w.value, romizer_className(vsRef_of(vsObject_class(r.ref))).c_str(), i);
    case WordKind::Entry:
      return entry(w.value, w.at, romizer_methodName(r.ref));
    case WordKind::Function:
      return function(w.value, w.at, vsObject_kind(r.ref) == kKindMethod ? romizer_methodName(r.ref)
                                                                       : romizer_className(r.ref));
    case WordKind::Address: {
      if (vsObject_kind(r.ref) == kKindMethod && i == kEntryWordIndex) {
        const auto slot = slotOf_.find(r.ref);
        if (slot != slotOf_.end()) return at(kEntryTable, 4 * slot->second);
        return reference(r.ref + kOwnEntryOffset, "method", i);
      }
      return reference(w.value, "class", i);
    }
  }
  return "0";
}

void Writer::records(const std::vector<ImageRecord>& list) {
  uint32_t at = 0;
  for (const ImageRecord& r : list) {
    if (r.classWord != 0) {
      word(reference(r.classWord, "block", 0));
      at += 4;
    }
    const uint32_t stored = r.offset + r.skip;
    if (stored < at) romizer_fail("records overlap at offset %u", stored);
    if (stored > at) line("\t.zero " + std::to_string(stored - at));
    for (uint32_t i = r.skip / 4; i < r.words.size(); ++i)
      word(r.ref != 0 && !r.map ? recordWord(r, i) : std::to_string(r.words[i].value));
    at = r.offset + r.size;
  }
}

std::string Writer::run() {
  if (std::max(layout_.readOnlySize, layout_.heapSize) >= kImageMaxPartBytes)
    romizer_fail("the image's parts (read-only %u, heap %u bytes) reach 4 MiB", layout_.readOnlySize,
                 layout_.heapSize);
  line("\t.section .vsimage,\"a\",%progbits");
  line("\t.balign 16");
  label("vsImage_header", true);
  word(1);
  word(kImageLookupOptionBit);
  word(model_.version);
  word(0);
  label(kReadOnly, true);
  records(layout_.readOnly);
  label("vsImage_readOnlySize", false);
  word(layout_.readOnlySize);
  word(1);
  label(kHeapPart, true);
  records(layout_.heap);
  label(kBlock, true);
  records(layout_.block);
  word(reference(layout_.stringClass, "block", 0));
  const uint32_t areaSize = layout_.blockSize + kStringInstanceBytes * static_cast<uint32_t>(layout_.strings.size());
  word(areaSize);
  word(layout_.blockSize);
  word(layout_.heapSize);
  word(0);
  label("vsImage_roots", true);
  for (uint32_t i = 0; i < kImageRootCount; ++i) word(reference(layout_.roots[i], "root", i));
  word(4 * kImageRootCount);
  label("vsImage_wellKnownSymbols", true);
  for (uint32_t i = 0; i < layout_.wellKnown.size(); ++i) word(reference(layout_.wellKnown[i], "well-known symbol", i));

  label("vsImage_symbolHash", true);
  word(model_.symbolBuckets);
  for (uint32_t start : model_.symbolBucketStarts)
    word(reference(model_.mergedPool + kPoolEntriesOffset + 4 * start, "symbol hash", start));
  label("vsImage_stringHash", true);
  word(layout_.stringBuckets);
  word(0);
  for (uint32_t start : layout_.stringBucketStarts)
    word(at(kReadOnly, layout_.stringRunsOffset + kArrayElementsOffset + 4 * start));
  label("vsImage_packageList", true);
  word(0);
  for (const std::string& p : layout_.packages) {
    if (p.size() > 255) romizer_fail("package name %s is longer than 255 bytes", p.c_str());
    std::string bytes = "\t.byte " + std::to_string(p.size());
    for (unsigned char c : p) bytes += "," + std::to_string(c);
    line(bytes);
  }
  line("\t.balign 4");
  label("vsImage_classIdCount", true);
  word(layout_.classIdCount);
  label("vsImage_stringTable", true);
  for (const auto& [step, length] : layout_.stringPairs) {
    line("\t.short " + std::to_string(step));
    line("\t.short " + std::to_string(length));
  }
  word(static_cast<uint32_t>(layout_.strings.size()));
  label("vsImage_entryWords", true);
  for (VmRef method : model_.entrySlots) {
    const MethodRecord* m = vsRef_as<MethodRecord>(method);
    word(entry(*m->entryWord.get(), m->entryWord.raw, romizer_methodName(method)));
  }
  const uint32_t entrySize = 4 * static_cast<uint32_t>(model_.entrySlots.size());
  word(entrySize);

  line("\t.balign 4");
  label("vsImage_descriptor", true);
  word("vsImage_header");
  word(kReadOnly);
  word(layout_.readOnlySize);
  word(kHeapPart);
  word(layout_.heapSize);
  word(kBlock);
  word(layout_.blockSize);
  word(kArea);
  word(areaSize);
  word("vsImage_entryWords");
  word(kEntryTable);
  word(entrySize);
  word("vsImage_roots");
  word(4 * kImageRootCount);
  word("vsImage_wellKnownSymbols");
  word(static_cast<uint32_t>(layout_.wellKnown.size()));
  word("vsImage_symbolHash");
  word("vsImage_stringHash");
  word("vsImage_packageList");
  word("vsImage_classIdCount");
  word("vsImage_stringTable");
  word(static_cast<uint32_t>(layout_.strings.size()));
  word(reference(layout_.sharedChars, "descriptor", 0));
  word(reference(model_.mergedPool, "descriptor", 0));
  word(at(kReadOnly, layout_.symbolStart));
  word(at(kReadOnly, layout_.symbolEnd));
  word(at(kReadOnly, layout_.fieldTypeStart));
  word(at(kReadOnly, layout_.fieldTypeEnd));
  word(at(kReadOnly, layout_.signatureStart));
  word(at(kReadOnly, layout_.signatureEnd));

  // Zero bytes of the same type as the compiler's VM variables there.
  line("\t.section .vmbss,\"aw\",%progbits");
  line("\t.balign 16");
  label(kArea, true);
  line("\t.zero " + std::to_string(areaSize));
  label(kEntryTable, true);
  if (entrySize != 0) line("\t.zero " + std::to_string(entrySize));
  line("\t.section .note.GNU-stack,\"\",%progbits");
  return out_;
}

}  // namespace

void romizer_writeImage(const RomizerModel& model, const ImageLayout& layout, const char* path) {
  const std::string text = Writer(model, layout).run();
  FILE* f = std::fopen(path, "wb");
  if (f == nullptr) romizer_fail("cannot create %s", path);
  const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  if (std::fclose(f) != 0 || !ok) romizer_fail("cannot write %s", path);
}
