// The requests a client sends Sentrel's window, one table of message ids.
// wParam carries a port (low 16 bits), lParam a client window or a message
// file's number; the message's result is the answer (errors.h).
#pragma once

#include "ce/user/message.h"

#define VS_SENTREL_REQUESTS(X)                                          \
  X(kReqOpenPort, 4)        /* open a port for a client */              \
  X(kReqClosePort, 5)       /* close it; also ends a worker's thread */ \
  X(kReqHasMessage, 6)      /* is a received message waiting? */        \
  X(kReqGetMessage, 7)      /* the oldest one into a message file */    \
  X(kReqSendMessage, 10)    /* queue the message file's record */       \
  X(kReqSendFinished, 11)   /* have all queued sends been made? */      \
  X(kReqFreePort, 13)       /* a port nobody holds */                   \
  X(kReqPushRegister, 14)   /* register a push port */                  \
  X(kReqPushUnregister, 15) /* unregister it */                         \
  X(kReqPushList, 16)       /* the push ports into a message file */    \
  X(kReqPushArgs, 17)       /* a port's four strings into a file */     \
  X(kReqAlarm, 18)          /* register an alarm */                     \
  X(kReqLaunch, 19)         /* end a window, launch a program */

#define VS_SENTREL_REQUEST_CONSTANT(name, offset) constexpr UINT name = WM_USER + offset;
VS_SENTREL_REQUESTS(VS_SENTREL_REQUEST_CONSTANT)
#undef VS_SENTREL_REQUEST_CONSTANT

static_assert(kReqOpenPort == 1028 && kReqLaunch == 1043, "request ids run from WM_USER+4 to WM_USER+19");
