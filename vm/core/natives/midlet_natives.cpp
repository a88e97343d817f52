// Natives of javax.microedition.midlet.MIDlet (see midlet_natives.h).
#include "vm/core/natives/midlet_natives.h"

#include "ce/substrate/vm_sections.h"
#include "port/device.h"
#include "vm/core/interp/exceptions.h"
#include "vm/core/model/handles.h"
#include "vm/core/natives/midlet_hooks.h"
#include "vm/core/natives/native_arrays.h"
#include "vm/core/natives/native_hooks.h"
#include "vm/core/natives/native_method.h"

namespace {

constexpr char kOutOfMemoryClass[] = "java/lang/OutOfMemoryError";
constexpr int32_t kPropertyBuffer = 4096;
constexpr int32_t kResetPaused = 0;
constexpr int32_t kResetDestroyed = 1;
constexpr int32_t kMidletStateResume = 100;

VS_VMBSS(int32_t) gMidletStarted = 0;

// The units of the String in a memory-service block (null for an empty
// one, with *count 0): false when the block cannot be had.
bool copyUnits(const VmRef* string, int32_t count, uint16_t** units) {
  *units = nullptr;
  if (count == 0) return true;
  *units = static_cast<uint16_t*>(vsMemory_allocPointer(count * 2));
  if (*units == nullptr) return false;
  vsNativeMethod_getStringRegion(string, 0, count, *units);
  return true;
}

// The attribute's UTF-8 bytes into a fresh block of at least outSize
// bytes: its length, or below 0 (absent, not to be had, or -3 when no
// block is left).
int32_t appProperty(const uint16_t* key, int32_t count, uint8_t** value) {
  int32_t size = kPropertyBuffer;
  for (;;) {
    *value = static_cast<uint8_t*>(vsMemory_allocPointer(size));
    if (*value == nullptr) return -3;
    const int32_t length = vsApp_getProperty(key, count, *value, size);
    if (length <= size) return length;
    vsMemory_freePointer(*value);
    *value = nullptr;
    size = length;
  }
}

}  // namespace

extern "C" void Java_javax_microedition_midlet_MIDlet_initialize() { vsVmCallback_vmPaintReady(); }

extern "C" void Java_javax_microedition_midlet_MIDlet_notifyResumeEvent() {
  vsNativeMethod_popInt();
  vsK6Event_postMidletStateEvent(kMidletStateResume);
}

extern "C" void Java_javax_microedition_midlet_MIDlet_nativeSystemExit() {
  vsNativeMethod_exit(vsNativeMethod_popInt());
}

extern "C" void Java_javax_microedition_midlet_MIDlet_nativeGetAppProperty() {
  vsNativeMethod_setReturnInt(0);
  VmHandle key;
  vsHandle_pushEmpty(&key);
  key.object = static_cast<VmRef>(vsNativeMethod_popInt());
  if (key.object == 0) {
    vsNativeMethod_throwException(kNullPointerClass);
    vsHandle_close(&key);
    return;
  }
  const int32_t count = vsNativeMethod_getStringLength(&key.object);
  uint16_t* units = nullptr;
  uint8_t* value = nullptr;
  const int32_t length = copyUnits(&key.object, count, &units) ? appProperty(units, count, &value) : -3;
  if (units != nullptr) vsMemory_freePointer(units);
  if (length == -3) {
    vsNativeMethod_throwException(kOutOfMemoryClass);
  } else if (length >= 0) {
    vsNativeMethod_setReturnInt(static_cast<int32_t>(vsNativeMethod_createStringUtf8(value, length)));
  }
  if (value != nullptr) vsMemory_freePointer(value);
  vsHandle_close(&key);
}

extern "C" void Java_javax_microedition_midlet_MIDlet_nativeNotifyAppStopped() {
  vsNativeMethod_popInt();
  vsDevice_resetInactive(kResetDestroyed);
  vsVmCallback_appDestroyed();
  gMidletStarted = 0;
}

extern "C" void Java_javax_microedition_midlet_MIDlet_nativeNotifyAppSuspended() {
  vsNativeMethod_popInt();
  vsNativeMethod_popInt();
  vsDevice_resetInactive(kResetPaused);
  vsVmCallback_appPaused();
}

extern "C" void Java_javax_microedition_midlet_MIDlet_nativeNotifyAppResumed() {
  vsNativeMethod_popInt();
  if (gMidletStarted == 0) {
    gMidletStarted = 1;
    vsVmCallback_appStarted();
  } else {
    vsVmCallback_appResumed();
  }
}

extern "C" void Java_javax_microedition_midlet_MIDlet_printHeapContents() {}

extern "C" void Java_javax_microedition_midlet_MIDlet_nativeInitializeDisplay() { vsDisplay_clearVirtualScreen(); }

extern "C" void Java_javax_microedition_midlet_MIDlet_nativePlatformRequest() {
  vsNativeMethod_setReturnInt(0);
  VmHandle url;
  vsHandle_pushEmpty(&url);
  url.object = static_cast<VmRef>(vsNativeMethod_popInt());
  if (url.object == 0) {
    vsNativeMethod_throwException(kNullPointerClass);
    vsHandle_close(&url);
    return;
  }
  const int32_t count = vsNativeMethod_getStringLength(&url.object);
  uint16_t* units = nullptr;
  if (!copyUnits(&url.object, count, &units)) {
    vsNativeMethod_throwException(kOutOfMemoryClass);
    vsHandle_close(&url);
    return;
  }
  vsNativeMethod_setReturnInt(JkPlatformRequest(units, count));
  if (units != nullptr) vsMemory_freePointer(units);
  vsHandle_close(&url);
}

extern "C" void Java_javax_microedition_midlet_MIDlet_nativeStateCallbackToApp() {
  const int32_t set = vsNativeMethod_popInt();
  const int32_t bits = vsNativeMethod_popInt();
  vsVmState_updateMask(bits, set);
}

extern "C" void Java_javax_microedition_midlet_MIDlet_needToInitializeExtLib() { vsNativeMethod_setReturnInt(0); }

extern "C" void Java_javax_microedition_midlet_MIDlet_getInitializerClassName() { vsNativeMethod_setReturnInt(0); }
