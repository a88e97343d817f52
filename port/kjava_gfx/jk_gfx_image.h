// Immutable images: created once from ARGB words or PNG data, then read but
// never drawn into (writable flag 0).
//
// Handles are surface handles (jk_surface.h); create functions report 0,
// -1 (out of memory: the size overflows or an allocation failed) or -2
// (width or height below 1, or no data) through the error out-parameter and
// return -1 whenever it is not 0. Destroy and the getters ignore handles 0
// and -1; the getters then answer 0.
#pragma once

#include <cstdint>

// Decodes PNG data (the only encoded format) into an image with transparency
// flag 1; -2 as well for data that is not PNG or is corrupt.
int32_t JkImageCreate(const uint8_t* data, uint32_t size, int32_t* error);
int32_t JkImageCreateFromARGB(const uint32_t* argb, int32_t width, int32_t height,
                              uint32_t processAlpha, int32_t* error);
void JkImageDestroy(int32_t handle);
int32_t JkImageGetWidth(int32_t handle);
int32_t JkImageGetHeight(int32_t handle);
// Reads rect {x, y, width, height} as ARGB words, row r at out + r * scan;
// nothing when count < (height - 1) * |scan| + width.
void JkImageGetARGB(int32_t handle, uint32_t* out, int32_t count, int32_t scanLength,
                    const int32_t rect[4]);
