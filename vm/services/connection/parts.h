// The built-in parts: at VM start each fills the registries with what it
// brings, in the fixed order MIDP, empty, WMA (vsParts_initializeAll, run by
// the parts initializer):
//
//   MIDP:  its system-package list (empty); "http", "https", "resource",
//          "socket", "ssl"; the URL checker; the connection layer
//   empty: nothing
//   WMA:   "sms", "cbs"
//
// A protocol already registered (the test socket protocol of a
// compatibility-test run) keeps its class: the part's registration is
// refused with the registry's message.
#pragma once

#include <cstdint>

inline constexpr char kVsMidp_urlCheckerClass[] = "jp.co.orvex.cldc.io.MIDPURLChecker";

// The three parts in order, their results ignored: 0.
int32_t vsParts_initializeAll();

int32_t vsMidpPart_initialize();
int32_t vsEmptyPart_initialize();
int32_t vsWmaPart_initialize();

void vsMidp_registerSystemPackages();
void vsMidp_registerProtocols();
void vsMidp_registerURLChecker();
void vsWma_registerProtocols();
