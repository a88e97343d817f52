// Layout of every record of the core: the one definition that the VM, the
// romizer and the collector read.
//
// Every heap object starts with a header word that points to a near record;
// the first word of the near record is the object's class record. Ordinary
// objects share the prototypical near of their class; an object that was
// hashed or locked gets a near of its own.
//
//   object                 near record (ObjectNear)       class record
//   +--------+             +-----------------+            +-------------------+
//   | header |-----------> | class record    |----------> | header            |
//   | fields |             | class info      |--+         | size | kind       |
//   +--------+             | hash and lock   |  |         | oop map           |
//                          +-----------------+  |         | prototypical near |
//                                               +-------> | class info        |
//                                                         | ...  (48 bytes)   |
//                                                         | statics, oop map  |
//                                                         +-------------------+
//
// Records of the VM's internal kinds (threads, monitors, symbols, pools ...)
// are heap objects too: their header points to a one-word near {class}.
// The class records themselves are classified the same way, so that the
// heap walk can measure every record by its class (class(x) = the first
// word of the record that x's header points to; K<n> is the class record
// of kind n, P10 the near that instance class records share):
//
//   record x                       header of x      class(x)
//   object of an internal kind     {C}              C, the kind's record
//   one-word near {C}              C                K13 (C's header)
//   internal class record C        K13              K16
//   method class record M          K15              K16
//   K10, K11, K12, K13, K15, K16   K16              K16
//   P10, P11, P12 (of kind -14)    K10, K11, K12    K16
//   instance class record IC       P10              K10 (likewise arrays)
//   prototypical near {IC, ...}    IC               P10 (kind -14)
//   method record                  {M, 0}           M (root 12)
//   method near {M, 0}             M                K15
// Arrays: {header, length, elements from byte 8}. Every record is a run of
// 32-bit words with 16- and 8-bit fields at fixed places; sizes and offsets
// are asserted below and are the same on x86-64 and armel.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ce/substrate/vm_word.h"

// A reference to a heap object (or to a record of the image) as stored in a
// record: the object's address as a VM word, 0 for null.
using VmRef = VmWord;

struct ClassRecord;
struct ClassInfo;
struct ClassMirror;
struct MethodRecord;
struct ConstantPool;
struct VmSymbol;

struct ObjectNear {
  VmPtr<ClassRecord> classRecord;
  VmPtr<ClassInfo> classInfo;
  VmWord hashAndLock;  // bits 31..2 hash (0 none), bits 1..0 lock state
};

// Any heap object seen through its header.
struct ObjectHeader {
  VmPtr<ObjectNear> near;
};

// Class record. Items 1 to 12 form the 48-byte head; array class records end
// there, instance class records carry their static fields from byte 48 and
// the embedded oop map behind them.
struct ClassRecord {
  VmWord header;
  uint16_t recordSize;    // bytes of this record
  int16_t instanceKind;   // >= 0: instance size in bytes; < 0: InstanceKind
  VmWord oopMap;          // instance class: byte offset of the embedded map; else map address
  VmPtr<ObjectNear> protoNear;
  VmPtr<ClassInfo> classInfo;
  VmPtr<ClassRecord> subtypeCache1;
  VmPtr<ClassRecord> subtypeCache2;
  VmPtr<ClassMirror> mirror;
  VmPtr<ClassRecord> superClass;
  VmPtr<ClassRecord> arrayClass;
  VmWord finalizer;       // instance class: native finalizer function or 0
  VmWord elementOrLink;   // object-array class: element class; instance class: bucket link
};

inline constexpr uint32_t kClassRecordHeadBytes = 48;
inline constexpr uint32_t kFirstStaticOffset = 48;

// Class-info record: 36 bytes, then the virtual table, then the interface
// table {interface id, byte offset of its method table} pairs and the
// interfaces' method tables.
struct ClassInfo {
  VmWord header;
  uint16_t recordSize;
  uint16_t vtableLength;
  uint16_t itableLength;
  uint16_t classId;
  VmPtr<VmSymbol> name;
  uint32_t accessFlags;
  VmWord methods;          // array class: element basic type
  VmWord fields;           // array class: element size in bytes
  VmWord localInterfaces;
  VmPtr<ConstantPool> constantPool;
  VmWord vtable[];         // vtableLength method records
};

inline constexpr uint32_t kClassInfoFixedBytes = 36;

struct ClassMirror {
  VmWord header;
  VmPtr<ClassRecord> classRecord;
  uint32_t status;
  VmWord initializingThread;
};

// Method record: 40 bytes, then the code padded to a word.
struct MethodRecord {
  VmWord header;
  VmPtr<ConstantPool> constantPool;
  VmWord exceptionTable;
  VmWord stackMap;
  VmWord ownEntry;
  VmPtr<VmWord> entryWord;   // the word that holds the entry address - 20
  uint16_t accessFlags;
  uint16_t classId;
  uint16_t maxStack;         // with maxLocals: native address of a native without code
  uint16_t maxLocals;
  uint16_t parameterWords;
  uint16_t nameIndex;
  uint16_t signatureIndex;
  uint16_t codeLength;
  uint8_t code[];
};

inline constexpr uint32_t kMethodCodeOffset = 40;

// One entry of a field table: five 16-bit values.
struct FieldEntry {
  uint16_t accessFlags;
  uint16_t nameIndex;
  uint16_t signatureIndex;
  uint16_t constantValueIndex;
  uint16_t offset;
};

// Constant pool: {header, 16-bit entry count, tag byte array, entries}.
struct ConstantPool {
  VmWord header;
  uint16_t count;
  uint16_t unused;
  VmRef tags;       // byte[]: tag of entry i at byte 8 + i
  VmWord entries[];
};

inline constexpr uint32_t kPoolEntriesOffset = 12;

// Symbol: {header, 16-bit length, bytes}. Symbols of the image have no
// header; only the length and the bytes are ever read.
struct VmSymbol {
  VmWord header;
  uint16_t length;
  uint8_t bytes[];
};

inline constexpr uint32_t kSymbolBytesOffset = 6;

struct ArrayObject {
  VmWord header;
  int32_t length;
};

inline constexpr uint32_t kArrayElementsOffset = 8;

struct ObjectArray {
  VmWord header;
  int32_t length;
  VmRef elements[];
};

struct ByteArray {
  VmWord header;
  int32_t length;
  int8_t elements[];
};

struct CharArray {
  VmWord header;
  int32_t length;
  uint16_t elements[];
};

struct ShortArray {
  VmWord header;
  int32_t length;
  int16_t elements[];
};

struct IntArray {
  VmWord header;
  int32_t length;
  int32_t elements[];
};

// java.lang.String instances.
struct StringObject {
  VmWord header;
  VmRef value;   // char[]
  int32_t offset;
  int32_t count;
};

inline constexpr uint32_t kStringInstanceBytes = 16;

// Argument block of a call into Java (kind -18): entry i is {value, type},
// type 1 for a reference.
struct ArgumentEntry {
  VmWord value;
  VmWord type;
};

struct ArgumentBlock {
  VmWord header;
  uint32_t count;
  VmRef ref0;      // the called method for pending calls
  VmRef ref1;
  ArgumentEntry entries[];
};

inline constexpr uint32_t kArgumentEntriesOffset = 16;
inline constexpr VmWord kArgumentTypeReference = 1;

// Thread-stack chunk (kind -20), followed by `length` bytes of stack.
struct StackChunk {
  VmWord header;
  uint32_t length;
  VmRef owner;     // thread record, null once replaced
  VmRef next;      // next chunk of the stack-chunk list
};

inline constexpr uint32_t kStackChunkHeadBytes = 16;

// Compressed stack map (kind -28) and other counted records: {header,
// count, count words}.
struct CountedRecord {
  VmWord header;
  uint32_t count;
  VmWord words[];
};

// Compiled-code block (kind -7): its byte count in the low 24 bits of word 3.
struct CompiledCodeBlock {
  VmWord header;
  VmWord words1To2[2];
  VmWord sizeWord;
};

inline constexpr uint32_t kCompiledCodeHeadBytes = 20;

// GC handle: lives on the native stack, linked from the local-root list.
struct VmHandle {
  VmRef object;
  VmPtr<VmHandle> previous;
};

// Lookup request of the class loader, on the caller's stack.
struct ClassLookup {
  VmPtr<VmRef> name;        // handle of the name symbol
  int32_t kind;             // 1: the VM needs the class; 0: Class.forName
  int32_t stub;             // 1: a stub is wanted instead of loading
  VmWord classFileBytes;    // bytes at hand, or 0
};

// Fixed sizes of the internal kinds whose records other modules define.
inline constexpr uint32_t kThreadRecordBytes = 104;
inline constexpr uint32_t kMonitorRecordBytes = 20;
inline constexpr uint32_t kZipStreamRecordBytes = 120;
inline constexpr uint32_t kClassLoadingRecordBytes = 44;
inline constexpr uint32_t kCompilerRecord32Bytes = 32;
inline constexpr uint32_t kCompilerRecord20Bytes = 20;
inline constexpr uint32_t kCompilerRecord40Bytes = 40;

// Native-area block: a 16-byte header (the array's own near and its pin
// count) in front of a byte array whose header points to it.
struct NativeBlockHeader {
  ObjectNear near;
  uint32_t pinCount;
};

inline constexpr uint32_t kNativeBlockHeaderBytes = 16;

static_assert(sizeof(ObjectNear) == 12);
static_assert(sizeof(ClassRecord) == kClassRecordHeadBytes);
static_assert(offsetof(ClassRecord, recordSize) == 4 && offsetof(ClassRecord, instanceKind) == 6);
static_assert(offsetof(ClassRecord, oopMap) == 8 && offsetof(ClassRecord, protoNear) == 12);
static_assert(offsetof(ClassRecord, classInfo) == 16 && offsetof(ClassRecord, subtypeCache1) == 20);
static_assert(offsetof(ClassRecord, subtypeCache2) == 24 && offsetof(ClassRecord, mirror) == 28);
static_assert(offsetof(ClassRecord, superClass) == 32 && offsetof(ClassRecord, arrayClass) == 36);
static_assert(offsetof(ClassRecord, finalizer) == 40 && offsetof(ClassRecord, elementOrLink) == 44);
static_assert(sizeof(ClassInfo) == kClassInfoFixedBytes && offsetof(ClassInfo, vtable) == 36);
static_assert(offsetof(ClassInfo, itableLength) == 8 && offsetof(ClassInfo, classId) == 10);
static_assert(offsetof(ClassInfo, name) == 12 && offsetof(ClassInfo, accessFlags) == 16);
static_assert(offsetof(ClassInfo, methods) == 20 && offsetof(ClassInfo, fields) == 24);
static_assert(offsetof(ClassInfo, localInterfaces) == 28 && offsetof(ClassInfo, constantPool) == 32);
static_assert(sizeof(ClassMirror) == 16);
static_assert(sizeof(MethodRecord) == kMethodCodeOffset && offsetof(MethodRecord, code) == 40);
static_assert(offsetof(MethodRecord, entryWord) == 20 && offsetof(MethodRecord, accessFlags) == 24);
static_assert(offsetof(MethodRecord, classId) == 26 && offsetof(MethodRecord, maxStack) == 28);
static_assert(offsetof(MethodRecord, parameterWords) == 32 && offsetof(MethodRecord, codeLength) == 38);
// Switch operands are aligned by the bci; that equals alignment by address
// because the code starts on a word boundary of a word-aligned record.
static_assert(kMethodCodeOffset % 4 == 0);
static_assert(sizeof(FieldEntry) == 10 && alignof(FieldEntry) == 2);
static_assert(sizeof(ConstantPool) == kPoolEntriesOffset && offsetof(ConstantPool, tags) == 8);
static_assert(offsetof(VmSymbol, length) == 4 && offsetof(VmSymbol, bytes) == kSymbolBytesOffset);
static_assert(sizeof(ArrayObject) == kArrayElementsOffset && offsetof(ObjectArray, elements) == 8);
static_assert(offsetof(ByteArray, elements) == 8 && offsetof(CharArray, elements) == 8);
static_assert(offsetof(ShortArray, elements) == 8 && offsetof(IntArray, elements) == 8);
static_assert(sizeof(StringObject) == kStringInstanceBytes);
static_assert(sizeof(ArgumentBlock) == kArgumentEntriesOffset && sizeof(ArgumentEntry) == 8);
static_assert(sizeof(StackChunk) == kStackChunkHeadBytes);
static_assert(sizeof(CountedRecord) == 8);
static_assert(sizeof(CompiledCodeBlock) == 16 && offsetof(CompiledCodeBlock, sizeWord) == 12);
static_assert(sizeof(VmHandle) == 8);
static_assert(sizeof(ClassLookup) == 16);
static_assert(sizeof(NativeBlockHeader) == kNativeBlockHeaderBytes);

// Typed views of a reference.
template <class T>
inline T* vsRef_as(VmRef r) {
  return vsWord_toPointer<T>(r);
}

template <class T>
inline VmRef vsRef_of(const T* p) {
  return vsWord_fromPointer(p);
}
