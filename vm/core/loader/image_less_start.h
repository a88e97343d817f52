// The start of the core without a class image: it makes the VM's own
// records and loads the system's classes from the class path. The romizer
// builds the image on it; test tools start the core with it.
//
// Before: the Java heap is set up, the class path names the system library
// (registered as the memory file "/sys.jar"), and the start-up phase flag is
// set (a missing class then ends the VM with fatal error 132, an exception
// with fatal error 129). While the image is built (the image-building flag)
// the flag stays set for the whole run.
//
// Created, in this order:
//   1. the class records of the internal kinds and the symbol headers;
//   2. the eight primitive array classes and the shared empty short[], and
//      the class of Object[] (root 31) with the shared empty Object[] (root
//      41): the tables below are object arrays;
//   3. the heap symbol table (128 slots, root 47) and the table of interned
//      strings (64 slots, root 46), then the well-known names (interning
//      needs the table);
//   4. the class table (root 48; 16384 slots while the image is built, which
//      never grows it), where the array classes so far get their ids;
//   5. the table of loaded classes;
// then loaded from the class path, in this order:
//   6. java.lang.Object (root 26): it becomes the element class of Object[],
//      and the array classes made so far take over its virtual table;
//   7. java.lang.Class (root 33), then a mirror for every class made
//      before it;
//   8. java.lang.String (root 32) and java.lang.Throwable (root 29), then the
//      encoded well-known symbols;
//   9. the exception classes the loader raises, then the one instance of
//      java.lang.OutOfMemoryError that running out of memory makes pending
//      (root 43).
// The classes whose fields the VM reads by word number must have exactly
// that layout: Class and String 16-byte instances, Throwable at least 12
// bytes; any other layout is fatal error 139.
#pragma once

#include <cstdint>

inline constexpr int32_t kImageClassTableLength = 16384;
inline constexpr int32_t kStartClassTableLength = 64;
inline constexpr int32_t kLoadedClassBuckets = 256;

// Returns when everything is made; any failure ends the VM.
void vsCore_startWithoutImage();
