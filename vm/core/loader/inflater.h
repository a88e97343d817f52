// The class-path decoder: DEFLATE data of a JAR entry into a Java byte
// array, with its input copy and Huffman tables in the Java heap.
//
// Everything it holds in the heap (the input copy, the tables, the output)
// is held through GC handles and its address read again after every call
// that can allocate. The decoding logic is the VM's one decoder
// (inflater_core.h).
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

// Copies inputLength bytes from the archive stream (unbuffered) into a new
// byte array of inputLength + 4 bytes and decodes them into exactly
// outputLength bytes of the byte array held at output. 1 on success; 0 for
// a decoding error, a short read, or an exhausted heap (whose exception is
// then pending).
int32_t vsInflater_inflate(VmRef* zipStream, uint32_t inputLength, VmRef* output,
                           uint32_t outputLength);
