// The application class of a record that names none, chosen from its
// descriptors as the VM start does.
//
//   area: [0, 1024) the NUL-terminated name | [1024, size) the descriptor
//         service's work area for the time of the call
//
// The JAD and the JAR's manifest are merged with the JAD first (the
// manifest alone when the JAD cannot be opened). With "MIDlet-2", without
// "MIDlet-1" or without its third comma-separated field the name is the
// MIDlet selector's class; otherwise that field without its blanks.
#pragma once

#include <cstdint>

#include "vm/services/descriptor/midp_application.h"

inline constexpr int32_t kVsClassChoiceNameBytes = 1024;
inline constexpr char kVsMidletSelectorClass[] = "javax.microedition.midlet.MidletSelector";

// The name's length (1 or more), -10 when the area has no more than 1024
// bytes, -1 when the JAR or its manifest cannot be opened or the name is
// empty.
int32_t vsApp_chooseClassName(const JKT_MIDP_Application* app, char* area, int32_t areaSize);
