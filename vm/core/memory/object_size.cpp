// Object size rule (see object_size.h).
#include "vm/core/memory/object_size.h"

#include "vm/core/model/class_access.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/vm_globals.h"

namespace {

constexpr uint32_t roundDown4(uint32_t v) { return v & ~uint32_t{3}; }

}  // namespace

uint32_t vsObject_argumentBlockSize(uint32_t entries) { return 8 * entries + 16; }

uint32_t vsObject_constantPoolSize(uint32_t entries) { return 4 * entries + 12; }

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
      return roundDown4(n + 11);
    case SizeRule::CharElements:
      return roundDown4(2 * n + 11);
    case SizeRule::IntElements:
      return roundDown4(4 * n + 11);
    case SizeRule::LongElements:
      return roundDown4(8 * n + 11);
    case SizeRule::OwnSize:
      return n & 0xffff;
    case SizeRule::StackChunk:
      return roundDown4(n + 19);
    case SizeRule::ArgumentBlock:
      return roundDown4(vsObject_argumentBlockSize(n) + 3);
    case SizeRule::ConstantPool:
      return roundDown4(vsObject_constantPoolSize(n & 0xffff) + 3);
    case SizeRule::Symbol:
      return roundDown4((n & 0xffff) + 9);
    case SizeRule::Method:
      return roundDown4(vsRef_as<MethodRecord>(object)->codeLength + 43u);
    case SizeRule::CompiledCode:
      return roundDown4((vsRef_as<CompiledCodeBlock>(object)->sizeWord & 0xffffff) + 23);
  }
  return 0;
}
