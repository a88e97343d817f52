// Natives of javax.microedition.midlet.MIDlet: the MIDlet side of the
// application lifecycle (the services behind them: midlet_hooks.h).
//
// All are private static natives; they take their arguments with the pop
// pointer (vsNativeMethod_popInt), so the last argument comes first.
//
// The MIDlet-started flag (a VM variable, 0 at every start) tells the
// first resume notification of a run (the application started) from the
// later ones (the application resumed); the stop notification clears it.
//
// Device reset of an inactive application (vsDevice_resetInactive): row 1
// when destroyed, row 0 when paused.
#pragma once

// initialize()V: the VM is ready to paint (event 10).
extern "C" void Java_javax_microedition_midlet_MIDlet_initialize();
// notifyResumeEvent(Z)V: posts the MIDlet-state event {100, 100}.
extern "C" void Java_javax_microedition_midlet_MIDlet_notifyResumeEvent();
// nativeSystemExit(I)V: ends the VM with the status.
extern "C" void Java_javax_microedition_midlet_MIDlet_nativeSystemExit();
// nativeGetAppProperty(Ljava/lang/String;)Ljava/lang/String;: the
// attribute (JAD first, then the manifest) or null when absent or not to
// be had; a null key throws NullPointerException, no memory
// OutOfMemoryError. A value over the 4096-byte buffer is asked again with
// a buffer of its size.
extern "C" void Java_javax_microedition_midlet_MIDlet_nativeGetAppProperty();
// nativeNotifyAppStopped(Z)V: device reset (destroyed), event 23, the
// MIDlet-started flag cleared.
extern "C" void Java_javax_microedition_midlet_MIDlet_nativeNotifyAppStopped();
// nativeNotifyAppSuspended(ZZ)V: device reset (paused), then the paused
// report (event 21 while started and running).
extern "C" void Java_javax_microedition_midlet_MIDlet_nativeNotifyAppSuspended();
// nativeNotifyAppResumed(Z)V: the first call of a run reports the
// application started (20) and sets the flag; later ones resumed (22).
extern "C" void Java_javax_microedition_midlet_MIDlet_nativeNotifyAppResumed();
// printHeapContents()V: nothing.
extern "C" void Java_javax_microedition_midlet_MIDlet_printHeapContents();
// nativeInitializeDisplay()V: clears the virtual screen.
extern "C" void Java_javax_microedition_midlet_MIDlet_nativeInitializeDisplay();
// nativePlatformRequest(Ljava/lang/String;)I: the port's answer
// (JkPlatformRequest) for a copy of the units in a memory-service block,
// or for (null, 0) when the string is empty; null throws
// NullPointerException, no memory OutOfMemoryError.
extern "C" void Java_javax_microedition_midlet_MIDlet_nativePlatformRequest();
// nativeStateCallbackToApp(IZ)V: sets or clears the bits of the state mask.
extern "C" void Java_javax_microedition_midlet_MIDlet_nativeStateCallbackToApp();
// needToInitializeExtLib()Z: false.
extern "C" void Java_javax_microedition_midlet_MIDlet_needToInitializeExtLib();
// getInitializerClassName()Ljava/lang/String;: null.
extern "C" void Java_javax_microedition_midlet_MIDlet_getInitializerClassName();
