// Flag bits and codes of the core's records: class, field and method access flags
// with the VM's own bits, mirror status bits and constant-pool tags with the
// encodings of resolved entries.
#pragma once

#include <cstdint>

// Class-info access flags: the class file's in the low half, the VM's above.
enum ClassFlag : uint32_t {
  kClassPublic = 0x0001,
  kClassFinal = 0x0010,
  kClassSuper = 0x0020,
  kClassInterface = 0x0200,
  kClassAbstract = 0x0400,
  kClassTrivialConstructor = 0x02000000,
  kClassArray = 0x04000000,
  kClassVerified = 0x08000000,
  kClassAccessChecksWaived = 0x10000000,
  kClassStub = 0x20000000,
  kClassFinalizable = 0x40000000,
};

// Method access flags: the class file's and the VM's bits in one 16-bit word.
enum MethodFlag : uint16_t {
  kMethodPublic = 0x0001,
  kMethodPrivate = 0x0002,
  kMethodProtected = 0x0004,
  kMethodStatic = 0x0008,
  kMethodFinal = 0x0010,
  kMethodSynchronized = 0x0020,
  kMethodHasMonitors = 0x0040,
  kMethodHasInvokes = 0x0080,
  kMethodNative = 0x0100,
  kMethodMergedPool = 0x0200,
  kMethodAbstract = 0x0400,
  kMethodNoStackMap = 0x1000,
  kMethodSyntheticOrSwitch = 0x2000,
  kMethodNoExceptionTable = 0x4000,
};

// Field access flags of the class file, as kept in a field entry.
enum FieldFlag : uint16_t {
  kFieldPublic = 0x0001,
  kFieldPrivate = 0x0002,
  kFieldProtected = 0x0004,
  kFieldStatic = 0x0008,
  kFieldFinal = 0x0010,
  kFieldVolatile = 0x0040,
};

inline constexpr uint16_t kMethodAccessBits = kMethodPublic | kMethodPrivate | kMethodProtected;

// Status word of a class mirror. Bit 0x08 (an initialization failed) is
// java.lang.Class's own: only its Java code sets and reads it.
enum MirrorStatus : uint32_t {
  kMirrorInitializing = 0x01,
  kMirrorVerified = 0x02,
  kMirrorInitialized = 0x04,
  kMirrorOpen = 0x10,
};

// Constant-pool tags.
enum PoolTag : uint8_t {
  kTagUnusedUtf8 = 0,              // a UTF-8 entry dropped after loading
  kTagUtf8 = 1,
  kTagInt = 3,
  kTagFloat = 4,
  kTagLong = 5,
  kTagDouble = 6,
  kTagResolvedClass = 7,
  kTagResolvedString = 8,
  kTagFieldRef = 9,
  kTagMethodRef = 10,
  kTagInterfaceMethodRef = 11,
  kTagNameAndType = 12,
  kTagUnresolvedClass = 13,
  kTagClassFileClass = 14,
  kTagUnresolvedString = 15,
  kTagClassFileString = 16,        // string by UTF-8 index, as read from the class file
  kTagResolvedFieldBase = 13,      // + basic type: 17 .. 26
  kTagBoundMethod = 27,
  kTagResolvedVirtualBase = 24,    // + basic type: 28 .. 38
  kTagResolvedInterfaceBase = 35,  // + basic type: 39 .. 49
  kTagRedirectedVirtual = 50,
  kTagRedirectedDirect = 51,
};

// Resolved member entries (written by resolution):
//   field            byte offset << 16 | holder class id
//   vtable method    class id << 16 | vtable index
//   interface method interface id << 16 | method index
// Member references as read from the class file:
//   name-and-type index << 16 | class index; name-and-type: signature << 16 | name.
inline constexpr bool vsPoolTag_holdsReference(uint8_t tag) {
  return tag == kTagUtf8 || tag == kTagResolvedString || tag == kTagUnresolvedClass ||
         tag == kTagUnresolvedString || tag == kTagBoundMethod || tag == kTagRedirectedDirect;
}

inline constexpr bool vsPoolTag_isClass(uint8_t tag) {
  return tag == kTagResolvedClass || tag == kTagUnresolvedClass || tag == kTagClassFileClass;
}

inline constexpr bool vsPoolTag_isUnresolvedClass(uint8_t tag) {
  return tag == kTagUnresolvedClass || tag == kTagClassFileClass;
}

inline constexpr bool vsPoolTag_isResolvedOrNamedClass(uint8_t tag) {
  return tag == kTagResolvedClass || tag == kTagUnresolvedClass;
}

static_assert(kTagResolvedFieldBase + 4 == 17 && kTagResolvedFieldBase + 13 == 26);
static_assert(kTagResolvedVirtualBase + 4 == 28 && kTagResolvedVirtualBase + 14 == 38);
static_assert(kTagResolvedInterfaceBase + 4 == 39 && kTagResolvedInterfaceBase + 14 == 49);
