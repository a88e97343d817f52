// Persistent roots: 63 words among the VM variables that hold the
// well-known heap references. The image supplies roots 0 to 58; 59 to 62,
// and root 44 (0 in the image), are set at run time. The collector visits
// every one of them.
#pragma once

#include <cstdint>

#include "ce/substrate/vm_sections.h"
#include "vm/core/model/object_layout.h"

enum Root : uint8_t {
  kRootClassOfKinds = 0,          // kind -16
  kRootTypeArrayClassKind = 1,    // kind -12
  kRootObjectArrayClassKind = 2,  // kind -11
  kRootInstanceClassKind = 3,     // kind -10
  kRootBooleanArray = 4,          // 4 .. 11: primitive array classes by basic type
  kRootCharArray = 5,
  kRootFloatArray = 6,
  kRootDoubleArray = 7,
  kRootByteArray = 8,
  kRootShortArray = 9,
  kRootIntArray = 10,
  kRootLongArray = 11,
  kRootMethodClass = 12,          // kind -6
  kRootConstantPoolClass = 13,    // kind -8
  kRootSymbolClass = 14,          // kind -9
  kRootCompiledCodeClass = 15,    // kind -7
  kRootZipStreamClass = 16,       // kind -17
  kRootArgumentBlockClass = 17,   // kind -18
  kRootClassLoadingClass = 18,    // kind -19
  kRootMonitorClass = 19,         // kind -33
  kRootStackMapClass = 20,        // kind -28
  kRootClassInfoClass = 21,       // kind -21
  kRootStackChunkClass = 22,      // kind -20
  kRootImageClassTable = 23,      // the image's class hash table
  kRootFieldTypeSymbolHeader = 24,
  kRootSignatureSymbolHeader = 25,
  kRootObject = 26,
  kRootSystem = 27,
  kRootThread = 28,
  kRootThrowable = 29,
  kRootMath = 30,
  kRootObjectArray = 31,
  kRootString = 32,
  kRootClass = 33,
  kRootCompiler40Class = 34,      // kind -32
  kRootCompiler20Class = 35,      // kind -31
  kRootThreadRecordClass = 36,    // kind -29
  kRootCompiler32Class = 37,      // kind -30
  kRootClassPath = 38,
  kRootLoadedClassTable = 39,     // the table of loaded classes, made at start
  kRootMonitorSentinel = 40,
  kRootEmptyObjectArray = 41,
  kRootEmptyExceptionTable = 42,  // a shared empty short[]
  kRootOutOfMemoryError = 43,
  kRootWaitingRecords = 44,       // set at run time: byte[] of the waiting records
  kRootInternTable = 46,
  kRootSymbolTable = 47,
  kRootClassTable = 48,
  kRootI18nHelper = 58,
  // Set at run time.
  kRootRunQueues = 59,            // Object[11]: head of the run queue of each priority
  kRootNextThread = 60,           // the thread chosen to run next
  kRootThreadList = 61,           // head of the list of live threads
  kRootWaitingList = 62,          // head of the list of threads waiting in natives
};

inline constexpr int kRootCount = 63;

extern VmVariable<VmRef[kRootCount]> vsPersistentRoots;

// Clears every root (VM shutdown).
void vsRoots_clear();

inline VmRef& vsRoot(Root r) { return vsPersistentRoots[r]; }

template <class T>
inline T* vsRoot_as(Root r) {
  return vsRef_as<T>(vsPersistentRoots[r]);
}

// The root of the array class of a primitive basic type (4 .. 11).
inline Root vsRoot_primitiveArray(int32_t basicType) { return static_cast<Root>(basicType); }
