// Fixed scenes for the golden-image test: each draws a set of shapes through
// the rasterizer into a fresh off-screen of its own size. The scenes cover
// every clip edge and line octant, dotted shapes, pies in the six fill cases,
// the three kinds of rounded rectangle, a sprite with transparent pixels in
// the eight transforms and ARGB writes in both alpha modes.
#pragma once

#include <cstdint>

#include "port/kjava_gfx/jk_surface.h"

struct GfxScene {
  const char* name;
  int32_t width;
  int32_t height;
  void (*draw)(JkSurface* surface);
};

// The scene of that name, or null.
const GfxScene* gfxScene_find(const char* name);
// A new off-screen with the scene drawn on it, or null when there is no such
// scene; free it with JkOffScreenDestroy.
JkSurface* gfxScene_render(const char* name);
