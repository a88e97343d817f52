// The descriptor parser: class-file descriptors into the VM's encoded
// types and signatures.
//
// Encoded field type: a primitive letter (one byte), or a class id in two
// bytes 0x80 | id >> 7, 0x80 | id & 127 for a class or an array type (the
// array class carries the dimensions). Encoded method signature: the
// parameter count in two bytes of the same form, the result type, then the
// parameter types:
//
//   "(I[Ljava/lang/String;)V"  ->  80 82 'V' 'I' <id of String[] in 2 bytes>
//
// A class named by a descriptor is found, or stands as a stub until its
// class file is loaded; an array type gets its array class. Any character
// out of place, a missing ';', a class name that is not a qualified name,
// more than 256 type codes or more than 255 dimensions raise VM error 54.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

// Descriptor text: plain bytes, or bytes inside a heap object, read through
// its handle because the class lookups may move it.
struct DescriptorText {
  const uint8_t* plain;
  const VmRef* holder;
  uint32_t offset;
  uint32_t length;
};

// The interned encoded form: a field-type symbol for a field descriptor, a
// method signature for one that begins with '('. 0 with an exception pending.
VmRef vsDescriptor_parse(const DescriptorText& text);

// Interns encoded bytes; a new heap symbol gets the header of its kind.
VmRef vsDescriptor_internEncoded(const uint8_t* bytes, uint32_t length, bool isSignature);

// The two bytes of a class id.
void vsDescriptor_encodeClassId(uint32_t id, uint8_t out[2]);

// The type symbol of a class: the two-byte encoding of its id.
VmRef vsType_classSymbol(const VmRef* cls);
// The basic type of a type symbol: 4 .. 11 for a primitive letter, 12 or 13
// (by its class) for a class id.
int32_t vsType_basicType(VmRef typeSymbol);
