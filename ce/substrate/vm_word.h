// VM words and the one checked conversion between host pointers and words.
//
// Every record the VM shares with Java code or with compiled code is a run of
// 32-bit words, and some of those words hold addresses. On x86-64 this only
// works because everything such a word can point at lies below 4 GiB: the
// program is not position independent, VM memory comes from the low mapper
// and VM threads run on low stacks. vsWord_fromPointer is the single gate
// through which an address becomes a word; an address of 2^32 or more stops
// the program with one line naming the address and the caller's file and line.
// On armel every address has 32 bits and the conversion is the identity.
//
// VmPtr<T> is the pointer field of a record: four bytes on both targets,
// standard layout, trivially copyable, read and written through the gate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "ce/substrate/fatal.h"

using VmWord = uint32_t;

#if UINTPTR_MAX > 0xFFFFFFFFu
#define VS_WIDE_POINTERS 1
[[noreturn]] void vsWord_outOfRange(uintptr_t address, VsCallSite where);
#else
#define VS_WIDE_POINTERS 0
static_assert(sizeof(void*) == 4, "narrow targets must have 4-byte pointers");
#endif

inline VmWord vsWord_fromPointer(const void* p, VsCallSite where = VsCallSite::current()) {
  const uintptr_t a = reinterpret_cast<uintptr_t>(p);
#if VS_WIDE_POINTERS
  if (a > 0xFFFFFFFFu) [[unlikely]]
    vsWord_outOfRange(a, where);
#else
  (void)where;
#endif
  return static_cast<VmWord>(a);
}

// The same without the check, for the interpreter loop alone: its registers
// (stack, frame, locals, bytecode and pool pointers) point only into the VM
// memory block, the low stacks and the class image, whose addresses the
// checked conversion approved when they were made; a check per bytecode
// would only slow the loop.
inline VmWord vsWord_fromLowPointer(const void* p) {
  return static_cast<VmWord>(reinterpret_cast<uintptr_t>(p));
}

template <class T = void>
inline T* vsWord_toPointer(VmWord w) {
  return reinterpret_cast<T*>(static_cast<uintptr_t>(w));
}

template <class T>
struct VmPtr {
  VmWord raw;

  T* get() const { return vsWord_toPointer<T>(raw); }
  T* operator->() const { return get(); }
  explicit operator bool() const { return raw != 0; }
  VmPtr& operator=(T* p) {
    raw = vsWord_fromPointer(p);
    return *this;
  }
  static VmPtr of(T* p) {
    VmPtr r;
    r.raw = vsWord_fromPointer(p);
    return r;
  }
};

static_assert(sizeof(VmPtr<int>) == 4 && alignof(VmPtr<int>) == 4);
static_assert(std::is_standard_layout_v<VmPtr<int>> && std::is_trivially_copyable_v<VmPtr<int>>);
