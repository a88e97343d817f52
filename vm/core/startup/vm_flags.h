// The VM flags: a fixed table of named 32-bit values with defaults.
//
// VS_VM_FLAGS is the single list of the flags, in table order, with each
// flag's type name and default. It yields both the values (a VM variable,
// reset to the defaults before every run) and the read-only lookup table of
// VmFlag records {type name, flag name, value word} that the option parser
// searches. Booleans are stored as 0 or 1 in a full word; the one "size_t"
// flag is a 32-bit word as well.
//
// UseCompiler defaults to 0: this build has no dynamic compiler.
#pragma once

#include <cstdint>

#define VS_VM_FLAGS(X)                         \
  X(int, HeapCapacity, 1048576)                \
  X(int, HeapMin, 0)                           \
  X(bool, UseCompiler, 0)                      \
  X(bool, MixedMode, 1)                        \
  X(bool, OptimizeForwardBranches, 0)          \
  X(int, CompiledCodeFactor, 15)               \
  X(int, StackSize, 4096)                      \
  X(int, StackPadding, 1280)                   \
  X(int, StackSizeIncrement, 2048)             \
  X(int, StackSizeMaximum, 131072)             \
  X(bool, SlaveMode, 0)                        \
  X(bool, UseVerifier, 1)                      \
  X(bool, VerifyOnly, 0)                       \
  X(int, CachedAsyncDataSize, 8)               \
  X(bool, ReportGC, 1)                         \
  X(bool, RepotFinalization, 1)                \
  X(int, CompiledMethodGenerations, 2)         \
  X(int, CompilationAbstinenceTicks, 0)        \
  X(int, FinalizePerNewInstanceFreq, 250)      \
  X(int, JITControl_Flags, 0)                  \
  X(int, JITControl_MaxAppStartTicks, 0)       \
  X(int, JITControl_MinCompilationInterval, 0) \
  X(size_t, RequisiteFreeMemoryToCompile, 65536) \
  X(bool, ProhibitCompileMethodsInROM, 0)      \
  X(int, MaxTotalCompiledCodeSize, 0)          \
  X(bool, EnableCompiledCodeSizeLog, 0)        \
  X(int, MaxMethodToCompile, 500)              \
  X(int, MinMethodToCompile, 0)                \
  X(int, InterpretationLogSize, 16)

struct VmFlagValues {
#define VS_VM_FLAG_FIELD(type, name, value) int32_t name;
  VS_VM_FLAGS(VS_VM_FLAG_FIELD)
#undef VS_VM_FLAG_FIELD
};

struct VmFlag {
  const char* type;  // "int", "bool" or "size_t"
  const char* name;  // null ends the table
  int32_t* value;
};

constexpr int kVmFlagCount = 29;
static_assert(sizeof(VmFlagValues) == kVmFlagCount * sizeof(int32_t));

// The flag values of this run.
VmFlagValues& vsVmFlags();

// The table, ended by a record with a null name.
const VmFlag* vsFlags_table();

// Linear search in table order, exact comparison; null when missing.
const VmFlag* vsFlags_find(const char* name);

// 1, or 0 when the flag is missing or not of type "int".
int32_t vsFlags_setInt(const char* name, int32_t value);

// 1, or 0 when the flag is missing or neither "bool" nor "int".
int32_t vsFlags_setBool(const char* name, int32_t value);
