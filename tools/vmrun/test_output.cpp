// The natives of the test programs' output class tests.Out, linked into
// the test launchers vmrun-test and vmrun-itest (their images bind them by
// their short names).
//
// Each prints on the console (standard output, while console output is
// on), as its HotSpot twin prints through System.out: int and long in
// decimal, boolean as "true" or "false", a null String as "null", and
// characters below 128 as they are, others in UTF-8. nativeStackPosition
// returns the address of its own frame, which lies in the low VM thread
// stack: it is the same at every Java call depth exactly when the
// interpreter runs Java calls without native recursion.
//
// They are static natives: argument k is the parameter word k + 1 (a long
// takes two, its high word first), read below the native parameter pointer.
//
// blockingTwice is a blocking native: its first entry keeps {handler index,
// value, polls} as re-entry data and suspends its thread; the launcher's
// handler (registered once per run) resumes the thread on its third poll,
// and the second entry returns value * 2. setPrioritySchedule and exit pass
// on to the VM (exit through vsNativeMethod_exit); setTimeSlice sets or
// clears the time slice's running word, so that a program can show an
// order of thread switches that no timer tick disturbs; missingStaticField asks
// for a static field that tests.Out does not have, which ends the VM on the
// natives' fatal path.
#include <cinttypes>
#include <cstdint>
#include <cstdio>

#include "ce/substrate/vm_sections.h"
#include "ce/substrate/vm_word.h"
#include "vm/core/model/object_layout.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/natives/native_fields.h"
#include "vm/core/natives/native_method.h"
#include "vm/core/threads/reentry.h"
#include "vm/services/lifecycle/console.h"
#include "vm/services/lifecycle/system_glue.h"
#include "vm/services/lifecycle/time_slice.h"

namespace {

// The re-entry data of blockingTwice.
struct BlockingData {
  int32_t handler;
  int32_t value;
  int32_t polls;
};

constexpr int32_t kResumingPoll = 3;

// The handler's index plus 1 in this run (0: not registered yet).
VS_VMBSS(int32_t) gBlockingHandler = 0;

int32_t resumeOnThirdPoll(WaitingRecord* record, VmWord*) {
  if (record->length < sizeof(BlockingData)) return 0;
  BlockingData* data = vsWord_toPointer<BlockingData>(record->data);
  if (++data->polls < kResumingPoll) return 0;
  vsReentry_resumeThread(&record->thread);
  return 1;
}

VmWord argument(uint32_t k) {
  return *vsWord_toPointer<VmWord>(vsVmGlobals.nativeParameterPointer - 4 * (k + 1));
}

void write(const char* text, int32_t n) { vsSys_consoleWrite(text, n); }

void writeChar(uint32_t c) {
  char bytes[3];
  int32_t n;
  if (c < 0x80) {
    bytes[0] = static_cast<char>(c);
    n = 1;
  } else if (c < 0x800) {
    bytes[0] = static_cast<char>(0xc0 | c >> 6);
    bytes[1] = static_cast<char>(0x80 | (c & 0x3f));
    n = 2;
  } else {
    bytes[0] = static_cast<char>(0xe0 | c >> 12);
    bytes[1] = static_cast<char>(0x80 | (c >> 6 & 0x3f));
    bytes[2] = static_cast<char>(0x80 | (c & 0x3f));
    n = 3;
  }
  write(bytes, n);
}

void writeText(const char* text) {
  int32_t n = 0;
  while (text[n] != '\0') ++n;
  write(text, n);
}

}  // namespace

extern "C" void Java_tests_Out_printString() {
  const VmRef ref = argument(0);
  if (ref == 0) return writeText("null");
  const StringObject* s = vsRef_as<StringObject>(ref);
  const uint16_t* chars = vsRef_as<CharArray>(s->value)->elements + s->offset;
  for (int32_t i = 0; i < s->count; ++i) writeChar(chars[i]);
}

extern "C" void Java_tests_Out_printInt() {
  char text[16];
  std::snprintf(text, sizeof text, "%" PRId32, static_cast<int32_t>(argument(0)));
  writeText(text);
}

extern "C" void Java_tests_Out_printLong() {
  const uint64_t bits = uint64_t{argument(0)} << 32 | argument(1);
  char text[24];
  std::snprintf(text, sizeof text, "%" PRId64, static_cast<int64_t>(bits));
  writeText(text);
}

extern "C" void Java_tests_Out_printChar() { writeChar(argument(0) & 0xffff); }

extern "C" void Java_tests_Out_printBoolean() { writeText(argument(0) != 0 ? "true" : "false"); }

extern "C" void Java_tests_Out_newLine() { write("\n", 1); }

extern "C" void Java_tests_Out_nativeStackPosition() {
  vsNativeMethod_setReturnInt(static_cast<int32_t>(vsWord_fromPointer(__builtin_frame_address(0))));
}

extern "C" void Java_tests_Out_blockingTwice() {
  int32_t length = 0;
  const VmWord held = vsReentry_getData(&length);
  if (held != 0 && length >= static_cast<int32_t>(sizeof(BlockingData))) {
    vsNativeMethod_setReturnInt(vsWord_toPointer<BlockingData>(held)->value * 2);
    return;
  }
  if (gBlockingHandler == 0) {
    const int32_t index = vsReentry_registerHandler(resumeOnThirdPoll);
    if (index < 0) vsNativeMethod_fatalError("blockingTwice: no re-entry handler slot.");
    gBlockingHandler = index + 1;
  }
  const VmWord bytes = vsReentry_allocData(sizeof(BlockingData));
  if (bytes == 0) vsNativeMethod_fatalError("blockingTwice: cannot allocate reentry data.");
  *vsWord_toPointer<BlockingData>(bytes) = {gBlockingHandler - 1, static_cast<int32_t>(argument(0)), 0};
  vsReentry_suspendThread();
}

extern "C" void Java_tests_Out_setPrioritySchedule() { vsSys_setPrioritySchedule(static_cast<int32_t>(argument(0))); }

extern "C" void Java_tests_Out_setTimeSlice() {
  if (argument(0) != 0) {
    vsTimeSlice_setRunning();
  } else {
    vsTimeSlice_clearRunning();
  }
}

extern "C" void Java_tests_Out_exit() { vsNativeMethod_exit(static_cast<int32_t>(argument(0))); }

extern "C" void Java_tests_Out_missingStaticField() {
  vsNativeMethod_setReturnInt(vsNativeMethod_getStaticDataField("noSuchField", "I", "tests/Out"));
}
