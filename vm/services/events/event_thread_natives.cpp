// Natives of the Java event-thread classes that create their queues (see
// event_thread_natives.h).
#include "vm/services/events/event_thread_natives.h"

#include <cstdint>

#include "vm/core/natives/native_method.h"
#include "vm/services/events/event_posters.h"
#include "vm/services/events/event_queue.h"

namespace {

struct QueueShape {
  int32_t ringWords;
  int32_t eventWords;
  int32_t group;
  int32_t VsEventQueueIds::*id;
};

// The UI set, in group order.
constexpr QueueShape kUiQueues[] = {
    {220, 10, 0, &VsEventQueueIds::command}, {11, 10, 0, &VsEventQueueIds::syncCall},
    {140, 6, 1, &VsEventQueueIds::midp},     {4, 3, 1, &VsEventQueueIds::uiType6},
    {4, 1, 1, &VsEventQueueIds::displaySwitch}, {2, 1, 1, &VsEventQueueIds::uiType5},
    {50, 4, 2, &VsEventQueueIds::key},       {60, 5, 2, &VsEventQueueIds::pointer},
    {2, 1, 3, &VsEventQueueIds::uiType4},
};
constexpr int32_t kUiGroups = 4;

constexpr QueueShape kDialogQueues[] = {
    {220, 10, 0, &VsEventQueueIds::dialogCommand}, {11, 10, 0, &VsEventQueueIds::dialogSyncCall},
    {50, 4, 1, &VsEventQueueIds::dialogKey},       {60, 5, 1, &VsEventQueueIds::dialogPointer},
    {2, 1, 2, &VsEventQueueIds::dialogSmall},
};
constexpr int32_t kDialogGroups = 3;
constexpr int32_t kMaxSetQueues = 9;

constexpr int32_t kProcessRingEvents = 4;
constexpr int32_t kHttpRingEvents = 15;

// Creates a set of variable-length queues in groups 0 to groups - 1, served
// by one cevent thread: its id.
template <int32_t N>
int32_t createSet(const QueueShape (&shapes)[N], int32_t groups) {
  static_assert(N <= kMaxSetQueues);
  VsEventQueue* queues[N];
  for (int32_t i = 0; i < N; ++i) {
    queues[i] = vsK6Event_createQueue(shapes[i].ringWords, shapes[i].eventWords, 0);
    vsEventQueueIds.*shapes[i].id = vsK6Event_registerQueue(queues[i]);
  }
  VsEventGroup* made[kMaxSetQueues];
  int32_t first = 0;
  for (int32_t g = 0; g < groups; ++g) {
    int32_t end = first;
    while (end < N && shapes[end].group == g) ++end;
    made[g] = vsK6Event_createGroup(queues + first, end - first, g);
    first = end;
  }
  return vsK6Event_registerCeventThread(made, groups, kVsEventKindUi);
}

// A fixed-length queue of `ringEvents` events of n words, served by one
// event thread of the system kind: its thread id.
int32_t createFixed(int32_t ringEvents, int32_t n, int32_t* queueId) {
  VsEventQueue* queue = vsK6Event_createQueue(ringEvents * n, n, 1);
  *queueId = vsK6Event_registerQueue(queue);
  return vsK6Event_registerThread(queue, kVsEventKindSystem);
}

// n from the Java caller: anything outside 1..255 makes no queue.
int32_t eventWordsParameter() {
  const int32_t n = vsNativeMethod_getParameterInt(1);
  return n >= 1 && n <= 0xff ? n : 0;
}

}  // namespace

extern "C" void Java_com_vostel_micro_event_UiEventThread_initEventQueue() {
  vsNativeMethod_setReturnInt(createSet(kUiQueues, kUiGroups));
}

extern "C" void Java_com_vostel_security_DialogEventThread_initEventQueue() {
  vsNativeMethod_setReturnInt(createSet(kDialogQueues, kDialogGroups));
}

extern "C" void Java_com_vostel_micro_event_ProcessEventThread_initEventQueue() {
  const int32_t n = eventWordsParameter();
  if (n == 0) {
    vsNativeMethod_throwException("java/lang/IllegalArgumentException");
    return;
  }
  const int32_t id = createFixed(kProcessRingEvents, n, &vsEventQueueIds.process);
  vsK6Event_resendPendingEvents();
  vsNativeMethod_setReturnInt(id);
}

extern "C" void Java_com_vostel_micro_event_ProcessEventThread_initSystemQueue() { vsNativeMethod_setReturnInt(0); }

extern "C" void Java_com_vostel_micro_thread_NativeThreadJoinnerEventThread_initEventQueue() {
  const int32_t n = eventWordsParameter();
  if (n == 0) {
    vsNativeMethod_throwException("java/lang/IllegalArgumentException");
    return;
  }
  vsNativeMethod_setReturnInt(createFixed(kHttpRingEvents, n, &vsEventQueueIds.http));
}
