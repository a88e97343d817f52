// The MIDP rules a suite's descriptors must follow.
//
// The attribute check walks a descriptor's list once, in order, and stops
// at the first failure: empty required values, bad versions, over-long
// notify URLs and malformed "MIDlet-<n>" values; then the required keys.
// Each function returns 0 or the first failing code.
#pragma once

#include <cstdint>

#include "vm/services/descriptor/descriptor_codes.h"

// A JAD: the attribute check in JAD mode (which also needs the JAR's URL
// and size), then the configuration and profiles when they are named.
int32_t OamsJadVerify(OamsHandle env, OamsHandle descriptor);
// A manifest: the attribute check in manifest mode.
int32_t OamsManifestVerify(OamsHandle env, OamsHandle descriptor);
// A JAD (or -1) against its manifest: trusted (1) suites need equal values
// for every shared key, others equal name, vendor and version; then
// "MIDlet-1", the configuration and the profiles of the pair.
int32_t OamsJadManifestVerify(OamsHandle env, OamsHandle jad, OamsHandle manifest,
                              int32_t trusted);
