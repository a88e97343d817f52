// Creation, destruction and ARGB read-back of image and off-screen surfaces,
// shared by jk_gfx_image and jk_gfx_offscreen (which write their own trace
// lines, naming themselves).
//
// A surface is two blocks of the graphics allocator: the record and its
// width x height pixels, zero-filled (transparent black). Creation leaves
// nothing allocated when it fails. The read-back never writes outside the
// requested rows: it writes nothing unless count >= (h - 1) * |scan| + w.
#pragma once

#include <cstdint>

#include "port/kjava_gfx/jk_surface.h"

enum class SurfaceStatus {
  Done,
  NoRecord,  // the record could not be allocated
  NoPixels,  // the pixels could not be allocated (or their size overflows)
  NoBuffer,  // the read-back's temporary buffer could not be allocated
};

// A new surface with transparency flag 0 and writable flag 1; width and
// height must be at least 1.
SurfaceStatus jkGfxSurface_create(int32_t width, int32_t height, JkSurface** surface);
// Frees the pixels, then the record; null is ignored.
void jkGfxSurface_destroy(JkSurface* surface);
// Width and height of the surface a handle names; 0 for handles 0 and -1.
int32_t jkGfxSurface_width(int32_t handle);
int32_t jkGfxSurface_height(int32_t handle);

// Reads rect {x, y, w, h} as ARGB words: row r at out + r * scan. A negative
// scan stores the rows bottom-up through a temporary buffer of count words.
// With forceAlpha, alpha 0xFF is set in exactly the words written.
SurfaceStatus jkGfxSurface_readARGB(const JkSurface* surface, uint32_t* out, int32_t count,
                                    int32_t scan, const int32_t rect[4], bool forceAlpha);
