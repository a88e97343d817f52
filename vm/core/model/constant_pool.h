// Readers and writers of constant-pool entries.
//
// Every checked reader tests the index against the entry count and the tag
// of the entry; a failed check raises VM error 91 and the reader returns 0.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

uint8_t vsConstantPool_tagAt(const ConstantPool* pool, uint32_t index);

// The raw entry i when index < count and its tag is `tag`; else error 91.
VmWord vsConstantPool_checkedEntry(const ConstantPool* pool, uint32_t index, uint8_t tag);
// The class record of a resolved class entry (tag 7).
ClassRecord* vsConstantPool_classAt(const ConstantPool* pool, uint32_t index);
// The value of a name-and-type (12), named class (13) or class-file class (14) entry.
VmWord vsConstantPool_nameAndTypeAt(const ConstantPool* pool, uint32_t index);
VmWord vsConstantPool_unresolvedClassAt(const ConstantPool* pool, uint32_t index);
VmWord vsConstantPool_classFileClassAt(const ConstantPool* pool, uint32_t index);

// Halves of a resolved member entry, as stored (16 bits each, not extended).
int32_t vsConstantPool_entryLow(const ConstantPool* pool, uint32_t index);
int32_t vsConstantPool_entryHigh(const ConstantPool* pool, uint32_t index);
// Stores both halves and returns the entry's tag minus 24.
int32_t vsConstantPool_resolvedRefAt(const ConstantPool* pool, uint32_t index, int32_t* low,
                                     int32_t* high);

// Sets the tag, then the entry; entries of reference tags go through the
// write barrier.
void vsConstantPool_setEntry(ConstantPool* pool, uint32_t index, uint8_t tag, VmWord value);

// Whether entry i can be the initial value of a static field of the basic
// type (int-like: tag 3, float 4, long 5, double 6, object: a string entry,
// 8 or 15, for a field of class String). Anything else raises error 91.
bool vsConstantPool_checkConstant(const ConstantPool* pool, uint32_t index, int32_t basicType,
                                  const ClassRecord* fieldClass);

// Tag 7, 13 or 14 and index below the entry count.
bool vsConstantPool_isClassEntry(const ConstantPool* pool, uint32_t index);
