// Printing exceptions and Java strings.
//
// A Throwable carries its detail message (a String) in its first field and
// its backtrace in its second: an Object[2] holding an Object[] of method
// records and an int[] of bytecode indexes, used to the same length; a
// null method ends the recorded part.
//
//   throwable: | header | detail message | backtrace |
//                                           |
//                                           v
//                         Object[2] { Object[] methods, int[] bcis }
//
// The trace reads only that data: it never walks a stack, so it can print
// any throwable at any time. A throwable without a backtrace recorded no
// frames and prints none; frames left out of a malformed backtrace print
// "   (stack trace incomplete)" in their place, and never stop the VM.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"
#include "vm/core/startup/output_stream.h"

struct ThrowableObject {
  VmWord header;
  VmRef detailMessage;
  VmRef backtrace;
};

static_assert(sizeof(ThrowableObject) == 12);

// The VM's error stream. It writes where the log stream does; like that
// stream it keeps no state and exists from program start.
const VsOutputStream* vsStream_errorStream();

// Prints the characters of a String: printable ASCII as it is, '"' as \",
// line feed as \n, tab as \t, anything else as \u followed by four
// lower-case hexadecimal digits. With a limit of 0 or more a string longer
// than 100 characters prints its first 100 and "...". Null prints nothing.
void vsStream_printJavaString(const VsOutputStream* stream, VmRef string, int32_t limit);

// Prints the throwable's class name (dot-separated) with ": " and its
// message when it has one, then one line " - holder.method(), bci=n" per
// recorded frame, on the error stream.
void vsException_printStackTrace(VmRef throwable);
