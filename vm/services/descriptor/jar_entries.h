// Single entries of a suite JAR by name, and the suite's icon (the entry
// named by "MIDlet-Icon", one leading "/" dropped).
#pragma once

#include <cstdint>

#include "vm/services/descriptor/descriptor_codes.h"

// The entry's uncompressed size; -2 when there is no entry of exactly that
// name (or it is larger than 2^31 - 1), -3 for bad arguments.
int32_t OamsJarGetEntrySize(OamsHandle env, OamsHandle jar, const char* name, int32_t nameLength);
// Extracts the entry into buffer: the bytes read; -3 for bad arguments and
// for an entry larger than bufferSize, -2 when it is absent or cannot be
// extracted.
int32_t OamsJarReadEntry(OamsHandle env, OamsHandle jar, const char* name, int32_t nameLength,
                         void* buffer, int32_t bufferSize);
// The same for the icon; -17 when the descriptor names none.
int32_t OamsJarGetIconSize(OamsHandle env, OamsHandle descriptor, OamsHandle jar);
int32_t OamsJarReadIcon(OamsHandle env, OamsHandle descriptor, OamsHandle jar, void* buffer,
                        int32_t bufferSize);
