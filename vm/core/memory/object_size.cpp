// Object size rule (see object_size.h).
#include "vm/core/memory/object_size.h"

#include "vm/core/model/class_access.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/object_layout.h"
#include "vm/core/model/vm_globals.h"

namespace {

// Sizes are whole words: a head and its payload, rounded up.
constexpr uint32_t roundUp4(uint32_t v) { return (v + 3) & ~uint32_t{3}; }

constexpr uint32_t kArgumentEntryBytes = 8;
constexpr uint32_t kPoolEntryBytes = 4;

}  // namespace

uint32_t vsObject_argumentBlockSize(uint32_t entries) {
  return kArgumentEntryBytes * entries + kArgumentEntriesOffset;
}

uint32_t vsObject_constantPoolSize(uint32_t entries) { return kPoolEntryBytes * entries + kPoolEntriesOffset; }

uint32_t vsJavaHeap_objectSize(VmRef object) { return vsJavaHeap_objectSizeOfClass(object, vsObject_class(object)); }

bool vsJavaHeap_walksTo(VmWord end) {
  VmWord at = vsVmGlobals.heapLow;
  while (at < end) {
    const uint32_t size = vsJavaHeap_objectSize(at);
    if (size == 0) return false;
    at += size;
  }
  return at == end;
}

bool vsJavaHeap_walksToTop() { return vsJavaHeap_walksTo(vsVmGlobals.allocationTop); }

uint32_t vsJavaHeap_objectSizeOfClass(VmRef object, const ClassRecord* cls) {
  const int32_t kind = cls->instanceKind;
  if (kind >= 0) return static_cast<uint32_t>(kind);
  if (kind < kLowestKind) return 0;
  const uint32_t* words = vsRef_as<uint32_t>(object);
  const uint32_t n = words[1];
  const KindInfo& info = vsKind_info(kind);
  switch (info.rule) {
    case SizeRule::None:
      return 0;
    case SizeRule::Fixed:
      return info.fixedSize;
    case SizeRule::ByteElements:
      return roundUp4(kArrayElementsOffset + n);
    case SizeRule::CharElements:
      return roundUp4(kArrayElementsOffset + 2 * n);
    case SizeRule::IntElements:
      return roundUp4(kArrayElementsOffset + 4 * n);
    case SizeRule::LongElements:
      return roundUp4(kArrayElementsOffset + 8 * n);
    case SizeRule::OwnSize:
      return n & 0xffff;
    case SizeRule::StackChunk:
      return roundUp4(kStackChunkHeadBytes + n);
    case SizeRule::ArgumentBlock:
      return roundUp4(vsObject_argumentBlockSize(n));
    case SizeRule::ConstantPool:
      return roundUp4(vsObject_constantPoolSize(n & 0xffff));
    case SizeRule::Symbol:
      return roundUp4(kSymbolBytesOffset + (n & 0xffff));
    case SizeRule::Method:
      return roundUp4(kMethodCodeOffset + vsRef_as<MethodRecord>(object)->codeLength);
    case SizeRule::CompiledCode:
      return roundUp4(kCompiledCodeHeadBytes + (vsRef_as<CompiledCodeBlock>(object)->sizeWord & 0xffffff));
  }
  return 0;
}
