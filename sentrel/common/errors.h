// The answers of Sentrel's requests and SentrelLib's exports: one table of
// codes and names. Several names share 1 (the first is the code's name).
#pragma once

#include <cstdint>

#define VS_SENTREL_ERRORS(X)                        \
  X(SentrelError_Succeeded, 1)                      \
  X(SentrelError_WapSendSucceeded, 1)               \
  X(SentrelError_HasRecvMsg, 1)                     \
  X(SentrelError_WapSendNotFinished, 0)             \
  X(SentrelError_SentrelNotFound, -1)               \
  X(SentrelError_ParamFileNotFound, -2)             \
  X(SentrelError_CannotOpenPort, -3)                \
  X(SentrelError_CreateThreadFailed, -4)            \
  X(SentrelError_NoSuchPortOpened, -5)              \
  X(SentrelError_WapWorkerTimeout, -6)              \
  X(SentrelError_WapSendFailed, -7)                 \
  X(SentrelError_WapMsgCannotLoadFile, -8)          \
  X(SentrelError_WapMsgCannotWriteFile, -9)         \
  X(SentrelError_CannotCreateEvent, -10)            \
  X(SentrelError_WorkerThreadFinished, -11)         \
  X(SentrelError_NoRecvMsg, -12)                    \
  X(SentrelError_PushReg_AlreadyReg, -13)           \
  X(SentrelError_RegKeyCreateFailed, -14)           \
  X(SentrelError_PortAlreadyOpened, -15)            \
  X(SentrelError_NoSuchPortRegistered, -16)         \
  X(SentrelError_TempFileStreamCannotGenerate, -17) \
  X(SentrelError_TempFileStreamCannotOpen, -18)     \
  X(SentrelError_CannotCreateProcess, -19)          \
  X(SentrelError_LogicError, -20)                   \
  X(SentrelError_WapGetNext, -21)                   \
  X(SentrelError_WapRead, -22)                      \
  X(SentrelError_AlarmListIsFull, -23)

#define VS_SENTREL_ERROR_CONSTANT(name, value) constexpr int32_t name = value;
VS_SENTREL_ERRORS(VS_SENTREL_ERROR_CONSTANT)
#undef VS_SENTREL_ERROR_CONSTANT

// The name of a code (the first row that has it), or null.
const char* sentrelErrorName(int32_t code);
