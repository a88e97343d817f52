// The header of a class file, up to and with its interfaces.
//
//   u4 magic 0xCAFEBABE (82)        u2 minor (any)      u2 major 45..48 (56)
//   constant pool
//   u2 flags: an interface must be abstract and not final, a class not both
//      final and abstract (83)
//   u2 this class: not 0 (84), and the class being loaded (else
//      NoClassDefFoundError naming the wanted class)
//   u2 superclass: 0 only for "java/lang/Object" (85); an interface's must
//      be "java/lang/Object" (86)
//   u2 count, u2 interfaces: none may name an array (57)
// The superclass and each interface that is not loaded yet are pushed onto
// the loading stack, the superclass first. The record keeps the pool, the
// flags, the superclass index, the interface indexes and the offset behind
// them, and its header-read flag is set.
#include "vm/core/interp/exceptions.h"
#include "vm/core/loader/class_file_steps.h"
#include "vm/core/loader/class_tables.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/names.h"
#include "vm/core/model/symbols.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/model/well_known_symbols.h"

namespace {

constexpr uint32_t kMagic = 0xCAFEBABE;
constexpr uint16_t kFirstMajor = 45;
constexpr uint16_t kLastMajor = 48;

ClassLoadingRecord* rec(VmRef r) { return vsRef_as<ClassLoadingRecord>(r); }

const ConstantPool* poolOf(ClassBuild* b) { return vsRef_as<ConstantPool>(b->pool.object); }

// Pushes a record for the class of that name when it is not loaded: 1
// pushed, 0 loaded, -1 with an exception pending.
int32_t pushWhenMissing(ClassBuild* b, VmRef name) {
  if (vsClass_findLoaded(name) != 0) return 0;
  const VmRef pushed = vsJavaHeap_newClassLoadingRecord(name);
  if (pushed == 0) return -1;
  vsJavaHeap_storeReference(&rec(pushed)->next, *b->context->stack.get());
  *b->context->stack.get() = pushed;
  return 1;
}

bool checkFlags(uint32_t flags) {
  const bool isInterface = (flags & kClassInterface) != 0;
  const bool isFinal = (flags & kClassFinal) != 0;
  const bool isAbstract = (flags & kClassAbstract) != 0;
  if (isInterface ? (!isAbstract || isFinal) : (isFinal && isAbstract)) return vsClassFile_fail(kErrClassFlags);
  return true;
}

}  // namespace

int32_t vsClassFile_parseHeader(ClassBuild* build) {
  ClassFileContext* c = build->context;
  const uint32_t magic = vsClassFile_readU4(c);
  if (vsException_isPending()) return -1;
  if (magic != kMagic) return vsClassFile_fail(kErrMagic), -1;
  vsClassFile_readU2(c);
  const uint16_t major = vsClassFile_readU2(c);
  if (vsException_isPending()) return -1;
  if (major < kFirstMajor || major > kLastMajor) return vsClassFile_fail(kErrVersion), -1;
  if (vsClassFile_parseConstantPool(build) == 0) return -1;

  const uint16_t flags = vsClassFile_readU2(c);
  const uint16_t thisIndex = vsClassFile_readU2(c);
  if (vsException_isPending() || !checkFlags(flags)) return -1;
  if (thisIndex == 0) return vsClassFile_fail(kErrThisClassZero), -1;
  const VmRef thisName = vsClassFile_className(poolOf(build), thisIndex);
  if (thisName == 0) return vsClassFile_fail(kErrBadPoolEntry), -1;
  if (thisName != build->name.object) {
    vsException_raiseClassNotFound(&build->name.object, 1);
    return -1;
  }

  int32_t pushed = 0;
  const uint16_t superIndex = vsClassFile_readU2(c);
  if (vsException_isPending()) return -1;
  if (superIndex == 0) {
    if (build->name.object != vsWellKnown_symbol(kSymJavaLangObject)) return vsClassFile_fail(kErrNoSuperclass), -1;
  } else {
    const VmRef superName = vsClassFile_className(poolOf(build), superIndex);
    if (superName == 0) return vsClassFile_fail(kErrBadPoolEntry), -1;
    if ((flags & kClassInterface) != 0 && superName != vsWellKnown_symbol(kSymJavaLangObject))
      return vsClassFile_fail(kErrInterfaceSuperclass), -1;
    const int32_t r = pushWhenMissing(build, superName);
    if (r < 0) return -1;
    pushed += r;
  }

  const uint16_t count = vsClassFile_readU2(c);
  if (vsException_isPending()) return -1;
  VmHandle indexes;
  vsHandle_push(&indexes, vsJavaHeap_newShortArray(count));
  bool ok = indexes.object != 0;
  for (uint32_t i = 0; ok && i < count; ++i) {
    const uint16_t index = vsClassFile_readU2(c);
    const VmRef name = vsClassFile_className(poolOf(build), index);
    if (vsException_isPending()) {
      ok = false;
    } else if (name == 0) {
      ok = vsClassFile_fail(kErrBadPoolEntry);
    } else if (vsSymbol_isFieldType(name) || vsSymbol_isArrayDescriptor(vsRef_as<VmSymbol>(name))) {
      ok = vsClassFile_fail(kErrArrayInterface);
    } else {
      vsRef_as<ShortArray>(indexes.object)->elements[i] = static_cast<int16_t>(index);
      const int32_t r = pushWhenMissing(build, name);
      ok = r >= 0;
      pushed += ok ? r : 0;
    }
  }
  if (ok) {
    ClassLoadingRecord* r = rec(build->record.object);
    vsJavaHeap_storeReference(&r->constantPool, build->pool.object);
    vsJavaHeap_storeReference(&r->interfaceIndexes, indexes.object);
    r->accessFlags = flags;
    r->superIndex = superIndex;
    r->offsetBehindHeader = vsClassFile_offset(c);
    r->headerRead = 1;
  }
  vsHandle_close(&indexes);
  if (!ok) return -1;
  return pushed == 0 ? 1 : 0;
}
