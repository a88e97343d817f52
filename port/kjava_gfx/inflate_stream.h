// Inflate stream adapter: the only road from the image decoders to zlib.
//
// A fixed pool of eight stream slots lives in static memory. A caller opens a
// slot, fills the slot's own view of the stream (the first seven fields) and
// calls the wrappers. Each wrapper copies that view into the slot's embedded
// zlib stream, calls zlib on it and copies the same seven values back, so the
// caller never touches zlib's record and the record never moves (zlib keeps
// its address in its internal state).
//
//   slot:  nextIn availIn totalIn nextOut availOut totalOut opaque | self |
//          z_stream (zlib's own layout and size)                   | inUse
//
// The stream handed to the wrappers is the slot itself. Only the three calls
// the decoders use are wrapped: init, inflate, end.
//
// Invariants: release compares its argument with the eight slot addresses and
// reads nothing through an address that is not one of them. The slots are
// host state: no slot address ever becomes a VM word. There is no lock; all
// use is on one thread (the VM thread).
#pragma once

#include <zlib.h>

#include <cstdint>

struct InflateStream {
  const uint8_t* nextIn;
  uint32_t availIn;
  unsigned long totalIn;
  uint8_t* nextOut;
  uint32_t availOut;
  unsigned long totalOut;
  void* opaque;  // handed to the allocate and free functions
  InflateStream* self;
  z_stream zlib;
  uint32_t inUse;
};

constexpr int kInflateStreamSlots = 8;

// Takes the first free slot, clears it, and makes the two functions zlib's
// allocate and free functions; null when all slots are taken.
InflateStream* inflateStream_open(alloc_func allocate, free_func release);
// Gives a slot back: 0, or -1 (nothing touched) when stream is not a slot.
int32_t inflateStream_release(InflateStream* stream);

// The wrappers: zlib's result, passed through.
int inflateStream_init(InflateStream* stream);
int inflateStream_inflate(InflateStream* stream, int flush);
int inflateStream_end(InflateStream* stream);
