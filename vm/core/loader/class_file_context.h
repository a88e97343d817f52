// The class-file parser's working records: the loading record of each class
// being loaded, and the parse context through which the parser reads a
// class file.
//
// Loading record (a 44-byte heap object of kind -19, one per class being
// loaded; the records form a stack linked through word 1):
//
//   word  0 header       1 next record*    2 header read   3 name symbol*
//         4 class file*  5 constant pool*  6 access flags  7 superclass index
//         8 interface indexes (short[])*   9 offset behind the header
//        10 the class once created*                    (* references)
//
// Parse context (on the native stack of the loader): the class file's byte
// array in a GC handle, the reading position and the end as addresses, the
// holders of the loading stack and of the lookup, and the enclosing context.
// Every open context is chained from a VM variable, so the collector can
// turn the positions into offsets before it moves the array and back after.
//
// The readers are big-endian; one that would read past the end raises VM
// error 44 and returns 0 without moving.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ce/substrate/vm_sections.h"
#include "vm/core/memory/gc_hooks.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/object_layout.h"

struct ClassLoadingRecord {
  VmWord header;
  VmRef next;
  uint32_t headerRead;
  VmRef name;
  VmRef classFile;
  VmRef constantPool;
  uint32_t accessFlags;
  uint32_t superIndex;
  VmRef interfaceIndexes;
  uint32_t offsetBehindHeader;
  VmRef createdClass;
};

static_assert(sizeof(ClassLoadingRecord) == kClassLoadingRecordBytes);
static_assert(offsetof(ClassLoadingRecord, next) == 4 && offsetof(ClassLoadingRecord, name) == 12 &&
              offsetof(ClassLoadingRecord, classFile) == 16 &&
              offsetof(ClassLoadingRecord, constantPool) == 20 &&
              offsetof(ClassLoadingRecord, interfaceIndexes) == 32 &&
              offsetof(ClassLoadingRecord, createdClass) == 40);
static_assert(vsKind_info(kKindClassLoading).referenceWords[0] == 1 &&
              vsKind_info(kKindClassLoading).referenceWords[5] == 10);

inline constexpr uint32_t kSourceNameBytes = 32;

struct ClassFileContext {
  VmHandle classFile;                 // the byte[] (linked on the local-root list)
  VmWord position;                    // address of the next byte
  VmWord end;                         // address just past the last byte
  VmPtr<VmRef> stack;                 // holder of the loading-record stack
  VmPtr<ClassLookup> lookup;
  VmPtr<ClassFileContext> enclosing;
  char source[kSourceNameBytes];      // archive of the class file, "" when none
};

// The innermost open context.
extern VmVariable<VmPtr<ClassFileContext>> vsClassFile_contexts;

// Opens a context over a byte array and chains it; closing unchains it and
// closes its handle (and every handle opened after it).
void vsClassFile_open(ClassFileContext* context, VmRef classFile, VmRef* stack, ClassLookup* lookup,
                      const char* source);
void vsClassFile_close(ClassFileContext* context);

uint8_t vsClassFile_readU1(ClassFileContext* context);
uint16_t vsClassFile_readU2(ClassFileContext* context);
uint32_t vsClassFile_readU4(ClassFileContext* context);
// Skips n bytes and returns the old position.
VmWord vsClassFile_skip(ClassFileContext* context, uint32_t n);
// Bytes from the position to the end.
uint32_t vsClassFile_remaining(const ClassFileContext* context);
// The position as an offset from the first byte of the class file.
uint32_t vsClassFile_offset(const ClassFileContext* context);
void vsClassFile_seek(ClassFileContext* context, uint32_t offset);

// vsClassFile_relocateContexts and vsClassFile_restoreContexts, the
// collector's hooks over every open context, are declared in gc_hooks.h.
