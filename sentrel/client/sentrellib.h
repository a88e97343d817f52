// SentrelLib: a program's way to Sentrel. Each export finds the daemon's
// window (starting "\IPSM\Windows\Sentrel.exe", "\Windows\Sentrel.exe" or
// "\Storage\Windows\Sentrel.exe" when none exists, then looking for it every
// 50 ms for up to 5 s), writes the request file when the request has a body,
// sends the request and turns the answer, or the answer file, into results.
// -1 when no daemon can be had (a request file already written is deleted
// again); the daemon's answers otherwise (errors.h). A request whose window
// went during the call answers -1, not 0.
#pragma once

#include <cstdint>

#include "ce/user/message.h"
#include "sentrel/common/msgfile.h"

// The four registration strings, each malloc'ed and owned by the caller.
struct SentrelPushArgs {
  WCHAR* module;
  WCHAR* commandLine;
  WCHAR* filter;
  WCHAR* other;
};

int Sentrel_FindFreePort();
int Sentrel_OpenPort(uint16_t port, HWND client);
int Sentrel_ClosePort(uint16_t port);
int Sentrel_CheckRecvStatus(uint16_t port);
// -12 when nothing waits (the record untouched); 1 with the record filled.
int Sentrel_GetRecvMsg(uint16_t port, WapMsg* message);
// -9 when the destination is over 63 characters or no file can be written.
int Sentrel_Send(uint16_t port, const WCHAR* destination, uint16_t destinationPort, const BYTE* data,
                 DWORD length);
int Sentrel_IsSendFinished(uint16_t port);
int Sentrel_PushRegisterPort(uint16_t port, const WCHAR* module, const WCHAR* commandLine,
                             const WCHAR* filter, const WCHAR* other);
int Sentrel_PushUnregisterPort(uint16_t port);
// The push ports joined by ",", malloc'ed (null when there is none).
int Sentrel_PushListRegConns(WCHAR** ports);
int Sentrel_PushGetRegPortArguments(uint16_t port, SentrelPushArgs* args);
// The alarm time in milliseconds since 1970-01-01 UTC, as two words.
int Sentrel_PushRegisterAlarm(DWORD timeLow, DWORD timeHigh, const WCHAR* module, const WCHAR* commandLine,
                              const WCHAR* other);
int Sentrel_DestroyWindowAndLaunchApp(HWND window, const WCHAR* module, const WCHAR* commandLine);
// The code's name, or "Unknown errCode=%d" in a static buffer.
const WCHAR* Sentrel_GetErrorString(int code);
