// GoogleTest fixture over the core started without a class image: the
// system library as "/sys.jar" and the classdump fixtures as "/app.jar". The
// first test boots the core and snapshots it; every test starts from the
// snapshot.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "vm/core/model/object_layout.h"

class CoreTest : public testing::Test {
 public:
  static VmRef symbol(const char* text);
  // The class of the name (kind 1), or 0 with an exception pending.
  static VmRef load(const char* name);
  static ClassRecord* loaded(const char* name);
  // The encoded type or signature of a descriptor, or 0 with error 54.
  static VmRef descriptor(const char* text);
  // The pending exception as "class \"message\"", cleared; "" when none.
  static std::string takePending();

 protected:
  void SetUp() override;
};
