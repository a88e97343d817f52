// The VM-variable sections.
//
// The VM keeps all of its own state in two sections so that one process can
// run applications in turn: ".vmdata" holds initialised variables, ".vmbss"
// zeroed ones. The host copies ".vmdata" at start-up; before every run the
// VM copies it back and zeroes ".vmbss" (the section reset of the start-up).
//
//   .data | .vmdata [start .. end) | .vmbss [start .. end) | .bss
//
// vm_sections.ld keeps each section whole and defines the bounds; it is an
// interface link option of this library, so every program that links VM code
// gets it. Variables are declared with the macros below, which accept only
// trivially copyable types and require constant initialisation, so the bytes
// present at program start are the initial values:
//
//   static VS_VMDATA(int32_t) gLevel = 3;
//   static VS_VMBSS(uint32_t[16]) gTable;
//
// Only VM state belongs here; host, port and CE-layer state stays in ordinary
// sections (a reset must not clobber, say, a running timer thread).
#pragma once

#include <cstdint>
#include <type_traits>

template <class T>
  requires std::is_trivially_copyable_v<T>
using VmVariable = T;

#define VS_VMDATA(T) __attribute__((section(".vmdata"))) constinit VmVariable<T>
#define VS_VMBSS(T) __attribute__((section(".vmbss"))) constinit VmVariable<T>

struct VmSectionBounds {
  uint8_t* dataStart;
  uint8_t* dataEnd;
  uint8_t* bssStart;
  uint8_t* bssEnd;
};

// The bounds, obtained so that the compiler cannot tell which variables they
// cover: a copy onto them must be seen to change every VM variable.
VmSectionBounds vsSections_bounds();
