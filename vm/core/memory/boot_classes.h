// The records that a core without a class image creates itself, before any
// class file is read: the class records of the internal kinds and the
// primitive array classes. The start without an image and the core's test
// heap both build them here, so there is one creation path.
//
// They run during the start-up phase, where a heap too small for them is
// fatal error 130; each still returns 0 when an allocation fails.
#pragma once

#include <cstdint>

// The class records of the internal kinds (roots 0 to 3, 12 to 22 and 34
// to 37), classified as object_layout.h draws it, each with its kind's
// reference map; and the headers of field-type symbols and method
// signatures (roots 24 and 25), one-word nears of the symbol class.
int32_t vsBootClasses_createKinds();

// The eight primitive array classes (roots 4 to 11), without class ids or
// names yet, and the shared empty short[] (root 42), which is also the
// shared empty exception table.
int32_t vsBootClasses_createPrimitiveArrays();

// The class of Object[] (root 31), whose element class is filled in when
// java.lang.Object is loaded, and the shared empty Object[] (root 41): the
// VM's tables are object arrays, so they come before any class is loaded.
int32_t vsBootClasses_createObjectArrayClass();

// Makes java.lang.Object (root 26) the superclass of the primitive array
// classes and of every object-array class registered before Object was
// loaded, and gives each of them Object's virtual table (a new class-info
// record when the length differs); Object becomes the element class of the
// class of Object[] made before it.
int32_t vsBootClasses_attachArraysToObject();
