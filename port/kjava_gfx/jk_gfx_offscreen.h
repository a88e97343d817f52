// Off-screens: mutable surfaces (mutable images, game-canvas and toolkit
// buffers) that stay writable and opaque as a blit source.
//
// JkOffScreenCreate returns -1 for a width or height below 1 and when memory
// runs out (size overflow included). Destroy and the getters ignore handles 0
// and -1; the getters then answer 0. The getters answer the record's size;
// the screen handle's own answer belongs to the display back end.
#pragma once

#include <cstdint>

int32_t JkOffScreenCreate(int32_t width, int32_t height);
void JkOffScreenDestroy(int32_t handle);
int32_t JkOffScreenGetWidth(int32_t handle);
int32_t JkOffScreenGetHeight(int32_t handle);
// As JkImageGetARGB, and every word written gets alpha 0xFF.
void JkOffScreenGetARGB(int32_t handle, uint32_t* out, int32_t count, int32_t scanLength,
                        const int32_t rect[4]);
