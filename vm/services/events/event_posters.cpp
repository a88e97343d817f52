// The posters of the porting layer and the internal events (see
// event_posters.h).
#include "vm/services/events/event_posters.h"

#include "port/vm_sync.h"
#include "vm/services/events/connection_event.h"
#include "vm/services/events/event_queue.h"
#include "vm/services/events/event_wait.h"
#include "vm/services/memory/trace_log.h"

VS_VMDATA(VsEventQueueIds) vsEventQueueIds = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                                             -1, -1, -1, -1, -1, -1, -1, 0};
VS_VMBSS(VsPendingEvents) vsPendingEvents = {};

namespace {

VS_VMBSS(VmWord[kVsNativeListenerSlots]) gListeners = {};

constexpr int32_t kMaxKeyKind = 3;
constexpr int32_t kMaxPointerKind = 4;

bool dialog() { return vsEventQueueIds.dialogMode == 1; }

uint32_t u(int32_t v) { return static_cast<uint32_t>(v); }

// A post into a queue that may not exist yet: 0 without a warning.
int32_t postTo(int32_t queueId, const uint32_t* words, int32_t count, bool guarded) {
  if (queueId < 1) return 0;
  return guarded ? vsK6Event_notify(words, count, queueId) : vsK6Event_post(words, count, queueId);
}

void doNothing(const int32_t*) {}

// Runs the callback of a ten-word call event with its seven-word record.
void runCallback(const uint32_t* e) {
  const int32_t record[kVsSyncRecordWords] = {static_cast<int32_t>(e[8]), static_cast<int32_t>(e[1]),
                                              static_cast<int32_t>(e[3]), static_cast<int32_t>(e[4]),
                                              static_cast<int32_t>(e[5]), static_cast<int32_t>(e[6]),
                                              static_cast<int32_t>(e[7])};
  if (e[9] != 0) reinterpret_cast<VsSyncCallback>(static_cast<uintptr_t>(e[9]))(record);
}

// A synchronous call or wake event (unguarded), settled with the waiting
// one when the queue is taken.
int32_t postSynchronous(const uint32_t* call) {
  const int32_t queueId = dialog() ? vsEventQueueIds.dialogSyncCall : vsEventQueueIds.syncCall;
  if (queueId < 1) return 0;
  if (vsK6Event_post(call, kVsSyncCallWords, queueId) != 0) return 1;
  uint32_t waiting[kVsSyncCallWords];
  int32_t count = 0;
  vsK6Event_peekEvent(queueId, waiting, &count);
  if (count != kVsSyncCallWords) return 0;
  if (call[3] == u(kVsSyncWake)) {
    runCallback(waiting);
    vsK6Event_clearQueue(queueId);
    return vsK6Event_post(call, kVsSyncCallWords, queueId);
  }
  if (waiting[3] == u(kVsSyncWake) || waiting[1] == call[1]) {
    runCallback(call);
    return 1;
  }
  runCallback(waiting);
  runCallback(call);
  vsK6Event_clearQueue(queueId);
  return AmPostSyncWakeEvent();
}

void appendPending(int32_t code, int32_t argument) {
  JkVmEnterCriticalSection();
  VsPendingEvents& p = vsPendingEvents;
  if (p.count >= kVsPendingEventSlots)
    vsTraceLog_error("pendingEventQueue is full\n");
  else
    p.pairs[p.count++] = {code, argument};
  vsVm_wake();
  JkVmLeaveCriticalSection();
}

void postInternal(int32_t code, int32_t argument, bool guarded) {
  const uint32_t words[] = {u(code), u(argument)};
  if (postTo(vsEventQueueIds.process, words, 2, guarded) == 0) appendPending(code, argument);
}

}  // namespace

void vsK6Event_resetState() {
  vsPendingEvents.count = 0;
  vsEventQueueIds.key = -1;
  vsConnectionEvent_resetState();
}

int32_t AmNotifyKeyEvent(int32_t kind, int32_t keyCode, int32_t ch) {
  if (kind < 0 || kind > kMaxKeyKind) return 0;
  const uint32_t words[] = {kVsEventKey, u(kind), u(keyCode), u(ch) & 0xffff};
  return postTo(dialog() ? vsEventQueueIds.dialogKey : vsEventQueueIds.key, words, 4, true);
}

int32_t AmNotifyPointerEvent(int32_t kind, int32_t a, int32_t b, int32_t c) {
  if (kind < 0 || kind > kMaxPointerKind) return 0;
  const uint32_t words[] = {kVsEventPointer, u(kind), u(a), u(b), u(c)};
  return postTo(dialog() ? vsEventQueueIds.dialogPointer : vsEventQueueIds.pointer, words, 5, true);
}

int32_t AmPostCallbackEvent(int32_t target, int32_t a1, int32_t code, int32_t a3, int32_t a4, int32_t a5, int32_t a6,
                            int32_t a7, VsSyncCallback callback) {
  const VmWord function = callback == nullptr ? 0 : vsWord_fromPointer(reinterpret_cast<const void*>(callback));
  const uint32_t words[kVsSyncCallWords] = {kVsEventCallback, u(target), u(a1), u(code), u(a3),
                                            u(a4),            u(a5),     u(a6), u(a7),   function};
  if (code == kVsSyncCall || code == kVsSyncWake) return postSynchronous(words);
  return postTo(dialog() ? vsEventQueueIds.dialogCommand : vsEventQueueIds.command, words, kVsSyncCallWords, true);
}

int32_t AmPostSyncWakeEvent() { return AmPostCallbackEvent(-1, 0, kVsSyncWake, 0, 0, 0, 0, 0, doNothing); }

int32_t AmPostMidpEvent(int32_t type, int32_t p1, int32_t p2, int32_t p3, int32_t p4) {
  const uint32_t words[] = {kVsEventMidp, u(type), u(p1), u(p2), u(p3), u(p4)};
  return postTo(vsEventQueueIds.midp, words, 6, true);
}

int32_t AmPostUiEventType4() {
  const uint32_t words[] = {kVsEventUiType4};
  return postTo(vsEventQueueIds.uiType4, words, 1, true);
}

void AmClearUiEventType4() { vsK6Event_clearQueue(vsEventQueueIds.uiType4); }

int32_t AmPostUiEventType5() {
  const uint32_t words[] = {kVsEventUiType5};
  return postTo(vsEventQueueIds.uiType5, words, 1, true);
}

int32_t AmPostUiEventType6(int32_t a, int32_t b) {
  const uint32_t words[] = {kVsEventUiType6, u(a), u(b)};
  vsK6Event_clearQueue(vsEventQueueIds.uiType6);
  return postTo(vsEventQueueIds.uiType6, words, 3, true);
}

int32_t AmPostDisplaySwitchEvent(int32_t on) {
  const uint32_t words[] = {on != 0 ? kVsEventDisplayOn : kVsEventDisplayOff};
  return postTo(vsEventQueueIds.displaySwitch, words, 1, true);
}

int32_t AmNotifyWmaEvent(int32_t a, int32_t b, int32_t c) {
  const uint32_t words[] = {u(a), u(b), u(c)};
  return postTo(vsEventQueueIds.wma, words, 3, true);
}

void AmEnterConfirmDialogMode(int32_t value) { vsEventQueueIds.dialogMode = value; }

void AmLeaveConfirmDialogMode() { vsEventQueueIds.dialogMode = 0; }

int32_t vsWmaEvent_registerQueue(VsEventQueue* queue) {
  vsEventQueueIds.wma = vsK6Event_registerQueue(queue);
  return vsEventQueueIds.wma;
}

void vsK6Event_postSuspendEvent(int32_t argument) { postInternal(kVsInternalSuspend, argument, true); }

void vsK6Event_postResumeEvent(int32_t argument) { postInternal(kVsInternalResume, argument, false); }

void vsK6Event_postStopEvent(int32_t argument) { postInternal(kVsInternalStop, argument, false); }

void vsK6Event_postMidletStateEvent(int32_t state) { postInternal(kVsInternalMidletState, state, false); }

int32_t vsK6Event_hasPendingEvents() { return vsPendingEvents.count != 0 ? 1 : 0; }

void vsK6Event_resendPendingEvents() {
  VsPendingEvents& p = vsPendingEvents;
  const int32_t count = p.count;
  for (int32_t i = 0; i < count; ++i) {
    const uint32_t words[] = {u(p.pairs[i].code), u(p.pairs[i].argument)};
    if (postTo(vsEventQueueIds.process, words, 2, false) == 0) appendPending(p.pairs[i].code, p.pairs[i].argument);
  }
  if (p.count != count) vsTraceLog_error("vsK6Event_processEvent_resendPendingEvent is failed.\n");
  p.count = 0;
}

void vsK6Event_clearKeyQueue() {
  if (vsEventQueueIds.key >= 1) vsK6Event_clearQueue(vsEventQueueIds.key);
}

int32_t AmSetNativeEventListener(int32_t type, int32_t kind, VsNativeEventListener listener) {
  const bool known = (type == kVsEventKey && kind >= 0 && kind <= kMaxKeyKind) ||
                     (type == kVsEventPointer && kind >= 0 && kind <= kMaxPointerKind);
  if (!known) return 0;
  vsK6Event_setNativeListener(kind * 2 + type, listener);
  return 1;
}

VmWord* vsK6Event_setNativeListener(int32_t index, VsNativeEventListener listener) {
  if (index < 0 || index >= kVsNativeListenerSlots) return nullptr;
  gListeners[index] = listener == nullptr ? 0 : vsWord_fromPointer(reinterpret_cast<const void*>(listener));
  return &gListeners[index];
}

VsNativeEventListener vsK6Event_getNativeListener(int32_t index) {
  if (index < 0 || index >= kVsNativeListenerSlots) return nullptr;
  return reinterpret_cast<VsNativeEventListener>(static_cast<uintptr_t>(gListeners[index]));
}

void vsK6Event_callNativeListener(const uint32_t* words, int32_t count) {
  if (count < 2 || words[0] > kVsEventPointer || words[1] > static_cast<uint32_t>(kMaxPointerKind)) return;
  const int32_t type = static_cast<int32_t>(words[0]);
  const int32_t kind = static_cast<int32_t>(words[1]);
  if (VsNativeEventListener listener = vsK6Event_getNativeListener(kind * 2 + type))
    listener(type, kind, count - 2, words + 2);
}
