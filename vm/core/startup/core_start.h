// The start of the core with the class image, and the steps of the VM main
// that hand `main` to the main thread.
//
// vsCore_start (the VM main's core start):
//   1. clears the VM globals' reference words;
//   2. sets up the Java heap (with the image's part sizes) and the thread
//      system: no current thread, empty run queues;
//   3. checks the romizer version in the image header: another version
//      prints "[ERROR] Failed to the version check of romizer. Expected
//      version=1, Actual version=N" and ends with fatal error 0;
//   4. loads the image: too little heap is fatal error 130, an image whose
//      layout words disagree fatal error 139;
//   5. joins the image's class hash table (root 23) and a new table of
//      loaded classes (root 39, 128 buckets) to the class tables, and makes
//      the stack-map tag array as long as the largest image method's frame;
//   6. makes the main thread: the first thread record becomes current, its
//      java.lang.Thread (root 28) is allocated without a constructor, with
//      priority 5 and the record; the thread gets its stack and is started;
//      the start-up phase ends here. Then the class path is kept by the
//      class-path reader and, split at ';', as a String[] in root 38; and
//      the main thread's first pending calls initialise System (root 27)
//      and Helper (root 58);
//   7. sets the largest native array length from root 8's element size.
// Any failure of a step that allocates ends the VM with fatal error 130.
//
// vsCore_queueMain: the main class (name in '.' or '/' form) is found or
// loaded and queued for initialisation; the arguments become a String[];
// "main" ([Ljava/lang/String;)V is searched in the class and its
// superclasses, and with the image's lookup option also in its interfaces;
// a missing or non-static main raises java/lang/Error with code 116. The
// call of main with the array is the main thread's last pending call.
//
// The pending calls of the main thread are, in order:
//   Class.initialize() on the mirrors of System, Helper and the main class,
//   then main(String[]).
#pragma once

#include <cstdint>

#include "ce/substrate/vm_word.h"
#include "vm/core/image/image_format.h"

// What a launcher may ask to see in place of running main (vm_run.h).
enum class VmInspection : int32_t { None, CheckImage, DumpImage, DumpStart };

void vsCore_start(const ImageDescriptor* image, const char* classPath);

// Steps 3 to 11 of the VM main with the image: the core start (on failure
// exit code -1, -2 in verify-only mode, which ends there until the
// verifier comes), an inspection when asked, main handed to the main thread
// (step 6), the report of its failure (step 8: "Uncaught Exception: " and
// the exception, exit code -1 unless already set, -1 in slave mode), slave
// mode's early return of 0 without shutdown (step 9); otherwise, unless the
// VM exits already, the scheduler runs every thread until the last one has
// ended, the local roots are cleared, and an exception still pending is
// printed as "Uncaught exception: " with its stack trace (step 10); then
// shutdown. The exit code: 0 unless the run set it.
int32_t vsCore_main(const ImageDescriptor* image, const char* classPath, const char* className, int32_t argc,
                    const VmPtr<const char>* argv, VmInspection inspection);

// 1, or 0 with an exception pending.
int32_t vsCore_queueMain(const char* className, int32_t argc, const VmPtr<const char>* argv);

// Prints "Uncaught Exception: " and the pending exception with its stack
// trace on the error stream, and clears it.
void vsCore_reportUncaught();
