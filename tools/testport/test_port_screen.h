// The test port's virtual screen: an in-memory 16-bit (RGB 565) screen
// behind the video stand-ins of port/jk_video.h and, for its image handle,
// JkOffScreenGetWidth/Height. Each stand-in writes one trace line naming
// itself and its arguments.
//
// A library of its own (testport_screen), linked only into programs that
// do not link port/kjava_gfx, which defines the two off-screen getters.
//
// A test sets the screen's size and a failure mode, then reads pixels:
//   None       a working screen (1 x 1 until reset), handle kTestScreenHandle
//   NoScreen   the video property record's screen handle is -1
//   NoContext  JkGraphicsCreateContext fails
//   ZeroSize   the size getters answer 0
#pragma once

#include <cstdint>

inline constexpr int32_t kTestScreenHandle = 0x5c4e;

enum class TestScreenFailure { None, NoScreen, NoContext, ZeroSize };

// A new screen of the size, every pixel 0, and the failure mode.
void vsTestScreen_reset(int32_t width, int32_t height, TestScreenFailure failure);
uint16_t vsTestScreen_pixel(int32_t x, int32_t y);
// Lock and unlock calls since the reset.
int32_t vsTestScreen_lockCount();
int32_t vsTestScreen_unlockCount();
