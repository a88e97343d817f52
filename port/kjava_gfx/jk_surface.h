// JkSurface: the record behind every picture the graphics code draws on or
// from (images, off-screens, the virtual screen, cached glyphs), and its
// 16-bit pixel format.
//
//   offset  0  pixels       32-bit address of width x height u16, row after row,
//                           exactly width pixels per row, top row first
//   offset  4  width        pixels per row
//   offset  8  height       rows
//   offset 12  transparent  0: a blit copies every source pixel;
//                           else only pixels with the opaque bit
//   offset 16  writable     0: drawing into the surface is refused (-1)
//
//   pixel:  15..11 red | 10..6 green | 5 opaque | 4..0 blue
//
// A surface handle is the record's address as a 32-bit value; 0 and -1 name
// no surface. Records and pixel buffers come from the graphics allocator
// (jk_gfx_memory), so both lie below 4 GiB.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ce/substrate/vm_word.h"

struct JkSurface {
  VmPtr<uint16_t> pixels;
  int32_t width;
  int32_t height;
  uint32_t transparent;
  uint32_t writable;
};

static_assert(sizeof(JkSurface) == 20);
static_assert(offsetof(JkSurface, pixels) == 0);
static_assert(offsetof(JkSurface, width) == 4);
static_assert(offsetof(JkSurface, height) == 8);
static_assert(offsetof(JkSurface, transparent) == 12);
static_assert(offsetof(JkSurface, writable) == 16);

constexpr int32_t kJkInvalidHandle = -1;
constexpr uint16_t kJkPixelOpaque = 0x0020;

// The record named by a handle; null for 0 and -1.
inline JkSurface* jkSurface_fromHandle(int32_t handle) {
  if (handle == 0 || handle == kJkInvalidHandle)
    return nullptr;
  return vsWord_toPointer<JkSurface>(static_cast<VmWord>(handle));
}

inline int32_t jkSurface_toHandle(const JkSurface* surface) {
  return static_cast<int32_t>(vsWord_fromPointer(surface));
}
