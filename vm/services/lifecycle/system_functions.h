// The system-function table: the VM's system functions as one record of
// 32-bit function addresses, in a fixed order, for code that reaches them by
// position rather than by name.
//
//   word   entries
//   0-7    the class path's file operations (os_file.h)
//   8-9    two further file entries that answer 0
//   10-13  the clock, the endless idle wait and the instruction-cache start
//          and end, each passing on to the adapter of the same purpose
//   14-23  porting adapters and hooks (os_adapters.h, class_names.h,
//          case_compare.h, class_hooks.h, system_glue.h)
//   24-26  the console-output switch and the spare word's getter and setter
//   27-29  an entry that does nothing, one that answers 0, one that answers
//          false
//
// VS_SYSTEM_FUNCTIONS is the single list of the entries: word name, function
// and the signature the entry promises; the record, its fill and the
// compile-time checks (count, offsets, every function's signature) all come
// from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "ce/substrate/vm_word.h"
#include "vm/services/lifecycle/case_compare.h"
#include "vm/services/lifecycle/class_hooks.h"
#include "vm/services/lifecycle/class_names.h"
#include "vm/services/lifecycle/console.h"
#include "vm/services/lifecycle/os_adapters.h"
#include "vm/services/lifecycle/os_file.h"
#include "vm/services/lifecycle/system_glue.h"

// Entries that exist for the table alone.
int64_t vsSys_currentTimeMillis();
[[noreturn]] void vsSys_idleForever();
void vsSys_initializeICache();
void vsSys_finalizeICache();
// The spare word: a VM variable (0 at each run's start) with no other user.
uint32_t vsSys_getSpareWord();
void vsSys_setSpareWord(uint32_t value);
void vsSys_doNothing();
int32_t vsSys_answerZero();
bool vsSys_answerFalse();

#define VS_SYSTEM_FUNCTIONS(X)                                                    \
  X(fileOpen, vsOs_fileOpen, VmWord(const char*, const char*))                    \
  X(fileClose, vsOs_fileClose, void(VmWord))                                      \
  X(fileRead, vsOs_fileRead, int32_t(VmWord, uint8_t*, uint32_t, uint32_t))       \
  X(fileSize, vsOs_fileSize, int32_t(VmWord))                                     \
  X(fileExists, vsOs_fileExists, int32_t(const char*))                            \
  X(fileSeek, vsOs_fileSeek, int32_t(VmWord, int32_t, int32_t))                   \
  X(fileIsAtEnd, vsOs_fileIsAtEnd, int32_t(VmWord))                               \
  X(fileHasError, vsOs_fileHasError, int32_t(VmWord))                             \
  X(fileAnswerZero1, vsSys_answerZero, int32_t())                                 \
  X(fileAnswerZero2, vsSys_answerZero, int32_t())                                 \
  X(currentTimeMillis, vsSys_currentTimeMillis, int64_t())                        \
  X(idleForever, vsSys_idleForever, void())                                       \
  X(initializeICache, vsSys_initializeICache, void())                             \
  X(finalizeICache, vsSys_finalizeICache, void())                                 \
  X(int64Format, vsOs_int64Format, const char*())                                 \
  X(uint64Format, vsOs_uint64Format, const char*())                               \
  X(allocReserved, vsOs_allocReserved, VmWord(uint32_t))                          \
  X(freeReserved, vsOs_freeReserved, void(VmWord))                                \
  X(classExists, vsSys_classExists, int32_t(const char*))                         \
  X(caseCompare, vsStr_caseCompare, int32_t(const char*, const char*))            \
  X(caseCompareN, vsStr_caseCompareN, int32_t(const char*, const char*, int32_t)) \
  X(skipClassFileSearch, vsSys_skipClassFileSearch, bool())                       \
  X(nativeCallBegin, vsOs_nativeCallBegin, void())                                \
  X(nativeCallEnd, vsOs_nativeCallEnd, void())                                    \
  X(setConsoleOutput, vsSys_setConsoleOutput, void(int32_t))                      \
  X(getSpareWord, vsSys_getSpareWord, uint32_t())                                 \
  X(setSpareWord, vsSys_setSpareWord, void(uint32_t))                             \
  X(doNothing, vsSys_doNothing, void())                                           \
  X(answerZero, vsSys_answerZero, int32_t())                                      \
  X(answerFalse, vsSys_answerFalse, bool())

struct VsSystemFunctions {
#define VS_SYSTEM_FUNCTION_WORD(name, function, Signature) VmWord name;
  VS_SYSTEM_FUNCTIONS(VS_SYSTEM_FUNCTION_WORD)
#undef VS_SYSTEM_FUNCTION_WORD
};

enum class VsSystemFunction : uint32_t {
#define VS_SYSTEM_FUNCTION_INDEX(name, function, Signature) name,
  VS_SYSTEM_FUNCTIONS(VS_SYSTEM_FUNCTION_INDEX)
#undef VS_SYSTEM_FUNCTION_INDEX
      count
};

inline constexpr uint32_t kVsSystemFunctionCount = static_cast<uint32_t>(VsSystemFunction::count);
static_assert(kVsSystemFunctionCount == 30 && sizeof(VsSystemFunctions) == 4 * kVsSystemFunctionCount);
#define VS_SYSTEM_FUNCTION_CHECK(name, function, Signature)                                             \
  static_assert(offsetof(VsSystemFunctions, name) == 4 * static_cast<uint32_t>(VsSystemFunction::name), \
                "entry " #name " out of place");                                                        \
  static_assert(std::is_same_v<decltype(&function), std::add_pointer_t<Signature>>,                     \
                "entry " #name ": " #function " does not have the entry's signature");
VS_SYSTEM_FUNCTIONS(VS_SYSTEM_FUNCTION_CHECK)
#undef VS_SYSTEM_FUNCTION_CHECK
// The layout the table's users rely on.
static_assert(offsetof(VsSystemFunctions, fileOpen) == 0 &&
              offsetof(VsSystemFunctions, fileAnswerZero2) == 36 &&
              offsetof(VsSystemFunctions, currentTimeMillis) == 40 &&
              offsetof(VsSystemFunctions, int64Format) == 56 &&
              offsetof(VsSystemFunctions, setConsoleOutput) == 96 &&
              offsetof(VsSystemFunctions, answerFalse) == 116);

// The table, every word the address of its entry's function (through the
// checked pointer-to-word conversion).
VsSystemFunctions vsSystemFunctions_table();

// An entry's word as the function it promises, for a caller of the table.
template <class Signature>
Signature* vsSystemFunctions_entry(VmWord word) {
  return reinterpret_cast<Signature*>(static_cast<uintptr_t>(word));
}
