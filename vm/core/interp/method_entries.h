// Method entries: where a call of a method lands.
//
// Every method record points at an entry word that holds (entry address -
// 20); a caller jumps to the word's value + 20. The entry points of the
// interpreter's kinds are one table of read-only records in code
// (method_entries.S), in the order of method_entry_list.h:
//
//   vsMethodEntries: | traps (20) | entry point ... | traps (20) | entry ...
//                    ^ record of kind 0 (32 bytes)   ^ record of kind 1
//
// so an entry word of an interpreted kind holds the address of its record,
// and the kind is (word - table) / 32. The code that runs at each entry
// point comes with the interpreter; until then the records hold traps only.
//
// The interpreted kind of a method follows from its extra locals (max
// locals - parameter words): 0 to 4 give the specialised kinds, more, or a
// synchronized method, the general kind. jitEntry_setDefault and
// jitEntry_setInterpreted both store that kind; the romizer shares the
// choice. (With a dynamic compiler they will differ.)
#pragma once

#include <cstdint>

#include "vm/core/interp/method_entry_list.h"
#include "vm/core/model/object_layout.h"

enum MethodEntryKind : uint8_t {
#define VS_METHOD_ENTRY_KIND(symbol, kind) kEntry##kind,
  VS_METHOD_ENTRIES(VS_METHOD_ENTRY_KIND)
#undef VS_METHOD_ENTRY_KIND
      kMethodEntryKindCount
};

inline constexpr uint32_t kMethodEntryRecordBytes = VS_METHOD_ENTRY_RECORD_BYTES;
inline constexpr uint32_t kMethodEntryTrapBytes = VS_METHOD_ENTRY_TRAP_BYTES;
static_assert(kMethodEntryRecordBytes % 4 == 0 && kMethodEntryRecordBytes > kMethodEntryTrapBytes);
static_assert(kMethodEntryKindCount == 27, "general, 0-4 extra locals, 5 accessors, 13 intrinsics, 3 native-direct");

// The entry point of a kind (its record + 20).
VmWord vsMethodEntry_address(MethodEntryKind kind);
// The kind whose record an entry word holds, or -1 for another word.
int32_t vsMethodEntry_kindOfWord(VmWord entryWord);
// The symbol of a kind's entry point ("vsInterpreter_entryGeneral").
const char* vsMethodEntry_name(MethodEntryKind kind);

// The one setter of a method's entry: stores (address - 20) into the word
// that the method's entry-word pointer names.
void vsMethod_setEntryAddress(MethodRecord* method, VmWord entryAddress);

// The interpreted kind of a method.
MethodEntryKind vsMethodEntry_interpretedKind(const MethodRecord* method);
void jitEntry_setInterpreted(MethodRecord* method);
void jitEntry_setDefault(MethodRecord* method, int32_t keepCompiled);
// Sets the interpreted kind of every method whose entry word is a slot of
// the method-entry table (not its own item 5); no other word is written.
void jitEntry_setRomEntries();
// Gives a simple getter its accessor entry, storing the field's type and
// byte offset in max stack and max locals; other methods stay as they are.
void jitEntry_setFastAccessor(const VmRef* method);
