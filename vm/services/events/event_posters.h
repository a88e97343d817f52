// The posters of the porting layer and the VM's internal events.
//
// Platform threads post through the Am functions below; each answers 1
// when the event was queued. The queue ids they post into are kept here
// as the Java event threads create their queues (event_thread_natives.h);
// an id is -1 until its queue exists. While the confirmation dialog mode
// is on, key, pointer, command and synchronous-call events go to the
// dialog's set.
//
// Synchronous calls: the synchronous-call queue holds one ten-word call
// {2, target, a1, code, a3, a4, a5, a6, a7, callback}. When a second call
// finds it taken, the poster settles the two at once, running callbacks in
// its own thread with the seven-word record {a7, target, code, a3, a4, a5,
// a6} of their events.
//
// Internal events {code, argument} go to the process queue; one that
// cannot be posted waits in the pending list (5 pairs at most) until the
// process queue is created.
#pragma once

#include <cstdint>

#include "ce/substrate/vm_sections.h"
#include "ce/substrate/vm_word.h"

// Event words 0 of the posters' events.
enum : uint32_t {
  kVsEventKey = 0,
  kVsEventPointer = 1,
  kVsEventCallback = 2,
  kVsEventMidp = 3,
  kVsEventUiType4 = 4,
  kVsEventUiType5 = 5,
  kVsEventUiType6 = 6,
  kVsEventDisplayOn = 7,
  kVsEventDisplayOff = 8,
};

// Codes of internal events and of synchronous calls.
enum : int32_t {
  kVsInternalSuspend = 11,
  kVsInternalResume = 12,
  kVsInternalStop = 13,
  kVsInternalMidletState = 100,
  kVsSyncCall = 0x10000,
  kVsSyncWake = 0x10002,
};

inline constexpr int32_t kVsPendingEventSlots = 5;
inline constexpr int32_t kVsNativeListenerSlots = 10;
inline constexpr int32_t kVsSyncCallWords = 10;
inline constexpr int32_t kVsSyncRecordWords = 7;

// The queue ids of the posters (-1 until created).
struct VsEventQueueIds {
  int32_t command, syncCall, midp, uiType6, displaySwitch, uiType5, key, pointer, uiType4;
  int32_t dialogCommand, dialogSyncCall, dialogKey, dialogPointer, dialogSmall;
  int32_t process, http, wma;
  int32_t dialogMode;  // confirmation-dialog mode, 0 or 1
};
static_assert(sizeof(VsEventQueueIds) == 18 * 4);

struct VsPendingEvent {
  int32_t code;
  int32_t argument;
};
static_assert(sizeof(VsPendingEvent) == 8);

struct VsPendingEvents {
  VsPendingEvent pairs[kVsPendingEventSlots];
  int32_t count;
};

extern VmVariable<VsEventQueueIds> vsEventQueueIds;
extern VmVariable<VsPendingEvents> vsPendingEvents;

using VsSyncCallback = void (*)(const int32_t* record);
// listener(type, kind, count - 2, words from word 2) for key and pointer
// events; its result is not used.
using VsNativeEventListener = int32_t (*)(int32_t type, int32_t kind, int32_t count, const uint32_t* words);

int32_t AmNotifyKeyEvent(int32_t kind, int32_t keyCode, int32_t ch);
int32_t AmNotifyPointerEvent(int32_t kind, int32_t a, int32_t b, int32_t c);
int32_t AmPostCallbackEvent(int32_t target, int32_t a1, int32_t code, int32_t a3, int32_t a4, int32_t a5, int32_t a6,
                            int32_t a7, VsSyncCallback callback);
int32_t AmPostSyncWakeEvent();
int32_t AmPostMidpEvent(int32_t type, int32_t p1, int32_t p2, int32_t p3, int32_t p4);
int32_t AmPostUiEventType4();
void AmClearUiEventType4();
int32_t AmPostUiEventType5();
int32_t AmPostUiEventType6(int32_t a, int32_t b);
int32_t AmPostDisplaySwitchEvent(int32_t on);
int32_t AmNotifyWmaEvent(int32_t a, int32_t b, int32_t c);
void AmEnterConfirmDialogMode(int32_t value);
void AmLeaveConfirmDialogMode();

// Registers the wireless-messaging queue: its id.
int32_t vsWmaEvent_registerQueue(struct VsEventQueue* queue);

// Internal VM events: suspend is refused while the suspend callbacks run.
void vsK6Event_postSuspendEvent(int32_t argument);
void vsK6Event_postResumeEvent(int32_t argument);
void vsK6Event_postStopEvent(int32_t argument);
void vsK6Event_postMidletStateEvent(int32_t state);
int32_t vsK6Event_hasPendingEvents();
// Posts the pending pairs again (after the process queue is created) and
// empties the list.
void vsK6Event_resendPendingEvents();

// Empties the key queue when it exists.
void vsK6Event_clearKeyQueue();

// Native listeners: index = kind x 2 + type.
int32_t AmSetNativeEventListener(int32_t type, int32_t kind, VsNativeEventListener listener);
VmWord* vsK6Event_setNativeListener(int32_t index, VsNativeEventListener listener);
VsNativeEventListener vsK6Event_getNativeListener(int32_t index);
// Calls the listener of a key or pointer event, when one is set.
void vsK6Event_callNativeListener(const uint32_t* words, int32_t count);
