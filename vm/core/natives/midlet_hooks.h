// The lifecycle services that the MIDlet natives (midlet_natives.h) call,
// declared here, in the layer that calls them, so that no core file
// includes a service header. vm/services/lifecycle defines them, and its
// headers include this one, so a declaration and its definition cannot
// part.
#pragma once

#include <cstdint>

// Lifecycle reports to the host (vm_callback.h): paint ready (event 10),
// application started (20), paused (21, only while started and running),
// resumed (22) and destroyed (23).
void vsVmCallback_vmPaintReady();
void vsVmCallback_appStarted();
void vsVmCallback_appPaused();
void vsVmCallback_appResumed();
void vsVmCallback_appDestroyed();

// Sets (set != 0) or clears bits of the lifecycle state mask
// (lifecycle_state.h); the application state uses bits 1, 2, 4 and 8.
void vsVmState_updateMask(int32_t bits, int32_t set);
// The setters of the selector's and the application state's natives.
void vsVmState_setAppPaused(int32_t value);
void vsVmState_setSelectorUsed(int32_t value);
void vsVmState_setResumeEventOwed(int32_t value);
void vsVmState_setSelectorActive(int32_t value);

// The application attribute of the UTF-16 key (JAD first, then the
// manifest) as UTF-8 in out (app_property.h): its full length, of which
// min(length, outSize) bytes were copied; -1 when absent; -2 when the
// descriptors or the key's block cannot be had.
int32_t vsApp_getProperty(const uint16_t* key, int32_t keyLength, uint8_t* out, int32_t outSize);

// The device reset of an application that became inactive
// (device_reset.h): row 0 paused, row 1 destroyed.
void vsDevice_resetInactive(int32_t row);

// Posts the MIDlet-state event {100, state} (event_posters.h).
void vsK6Event_postMidletStateEvent(int32_t state);
// Clears the virtual screen (virtual_screen.h).
void vsDisplay_clearVirtualScreen();
