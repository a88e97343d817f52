// Natives of the event-thread base class (see abstract_event_thread.h).
#include "natives/abstract_event_thread.h"

#include "vm/core/interp/exceptions.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/object_layout.h"
#include "vm/core/natives/native_method.h"
#include "vm/core/threads/reentry.h"
#include "vm/services/events/event_posters.h"
#include "vm/services/events/event_queue.h"
#include "vm/services/events/event_wait.h"

namespace {

// True, clearing the flag, when the current thread was woken from the
// event wait.
bool takeWoken() {
  int32_t length = 0;
  const VmWord bytes = vsReentry_getData(&length);
  if (bytes == 0 || length != kVsEventWaitDataBytes) return false;
  int32_t* data = vsWord_toPointer<int32_t>(bytes);
  if (data[kVsEventWaitHandler] != vsEventWait.handlerId || data[kVsEventWaitWoken] == 0) return false;
  data[kVsEventWaitWoken] = 0;
  return true;
}

}  // namespace

extern "C" void Java_com_vostel_micro_event_AbstractEventThread_waitNextEvent() {
  const int32_t threadId = vsNativeMethod_getParameterInt(1);
  if (takeWoken()) {
    vsNativeMethod_setReturnInt(0);
    return;
  }
  if (vsK6Event_hasEvent(threadId) != 0) {
    vsNativeMethod_setReturnInt(1);
    return;
  }
  vsK6Event_waitEvent(threadId);
  vsNativeMethod_setReturnInt(0);
}

extern "C" void Java_com_vostel_micro_event_AbstractEventThread_getNextEvent() {
  const int32_t threadId = vsNativeMethod_getParameterInt(1);
  VmHandle array;
  vsHandle_pushEmpty(&array);
  vsNativeMethod_getParameterObject(2, &array.object);
  if (array.object == 0) {
    vsNativeMethod_throwException(kNullPointerClass);
    vsHandle_close(&array);
    return;
  }
  int32_t count = 0;
  const uint32_t* event =
      vsK6Event_getNextEventWithin(threadId, vsRef_as<IntArray>(array.object)->length, &count);
  if (event == nullptr && count > 0) {
    vsNativeMethod_throwException(kArrayIndexOutOfBoundsClass);
    vsHandle_close(&array);
    return;
  }
  if (event != nullptr) {
    vsK6Event_callNativeListener(event, count);
    int32_t* elements = vsRef_as<IntArray>(array.object)->elements;
    for (int32_t i = 0; i < count; ++i) elements[i] = static_cast<int32_t>(event[i]);
  }
  vsNativeMethod_setReturnInt(count);
  vsHandle_close(&array);
}
