// Natives of java.lang.Throwable: the trace that a throwable records when
// it is made, and its printing. Naming and conventions as in
// thread_natives.h; the record is the backtrace of stack_trace.h.
#pragma once

// private fillInStackTrace()V: walks the current thread's Java frames from
// the innermost, through guard frames into the chunks they interrupted,
// down to the stack bottom. Left out: a first frame of fillInStackTrace
// itself, then the constructor frames ("<init>") of classes the
// throwable's class is assignable to, up to the first other frame. The
// remaining n frames fill an Object[n] of method records and an int[n] of
// bytecode indexes (low 24 bits), held in an Object[2] in the throwable's
// backtrace field. An allocation failure leaves OutOfMemoryError pending
// and records nothing.
extern "C" void Java_java_lang_Throwable_fillInStackTrace();
// printStackTrace()V: prints the throwable's trace (vsException_printStackTrace)
// while the printing-stack-trace flag sends the log stream to the console.
extern "C" void Java_java_lang_Throwable_printStackTrace();
