// The video functions of the graphics port that the VM's display set-up
// uses: the screen information, graphics contexts on an image, and the
// drawing pass around them.
//
// JkVideoGetScreenInfo fills the 36-byte video property record (nine
// words; word 0 the virtual screen's image handle, -1 for none).
// JkGraphicsCreateContext returns a context drawing into the image, or
// kJkNoGraphicsContext; the caller frees it with free(). Colours are
// 0xRRGGBB; a rectangle is {x, y, width, height}. JkVideoUnlock(1) flushes
// the pass to the display. An image's size comes from
// JkOffScreenGetWidth/Height (port/kjava_gfx/jk_gfx_offscreen.h).
#pragma once

#include <cstdint>

inline constexpr int32_t kJkVideoPropertyWords = 9;

inline void* const kJkNoGraphicsContext = reinterpret_cast<void*>(static_cast<intptr_t>(-1));

void JkVideoGetScreenInfo(int32_t* record);
void* JkGraphicsCreateContext(int32_t image);
uint32_t JkGraphicsSetColor(void* context, uint32_t rgb);
int32_t JkVideoLock();
void JkVideoUnlock(int32_t flush);
void JkGraphicsFillRect(void* context, const int32_t* rectangle);
