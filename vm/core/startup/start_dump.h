// The dump of the started core (the launcher's --dump-start): the main
// thread and its pending calls, in the order they will run.
//
//   main thread: priority 5, runnable
//   pending call: java/lang/Class.initialize()V on java/lang/System
//   pending call: java/lang/Class.initialize()V on com/sun/cldc/i18n/Helper
//   pending call: java/lang/Class.initialize()V on Hello
//   pending call: Hello.main([Ljava/lang/String;)V with "a", "b"
//
// A call names its method as holder.name plus the method descriptor; a call
// on a class mirror says "on" and the class, a call with a String[] says
// "with" and its Strings (quoted as the stack trace quotes them, "with" and
// nothing else for an empty array). A thread on no run queue is "waiting".
#pragma once

#include "vm/core/startup/output_stream.h"

void vsCore_dumpStart(const VsOutputStream* out);
