// The ground of the connection tests: a booted heap, the memory service and
// the event system (event_fixture.h), the registries emptied; the test port
// captures what is written. The connection layer is stopped afterwards, so
// no queue outlives its memory.
#pragma once

#include <gtest/gtest.h>

#include <csetjmp>
#include <functional>
#include <string>

#include "tests/core/heap_fixture.h"
#include "tools/testport/test_port.h"
#include "vm/core/startup/exit_point.h"
#include "vm/core/startup/service_hooks.h"
#include "vm/services/connection/connection.h"
#include "vm/services/events/tests/event_fixture.h"

class ConnectionTest : public HeapTest {
 protected:
  void SetUp() override {
    HeapTest::SetUp();
    vsEventTest_start(&chunk_);
    vsConnection_resetRegistries();
  }
  void TearDown() override {
    vsConnection_stop();
    vsConnection_resetRegistries();
    vsEventTest_stop(chunk_);
    vsTestException_clear();
    HeapTest::TearDown();
  }

  // What the action wrote (trace), and whether it left through the exit
  // point (a fatal error or an exit).
  struct Outcome {
    std::string trace;
    bool stopped;
  };
  static Outcome capture(const std::function<void()>& action) {
    static VmExitPoint point;
    static bool stopped;
    stopped = false;
    vsTestPort_startCapture();
    if (setjmp(point.buffer) != 0) {
      vsExitPoint_remove(&point);
      stopped = true;
    } else {
      vsExitPoint_push(&point);
      action();
      vsExitPoint_remove(&point);
    }
    return {vsTestPort_stopCapture().trace, stopped};
  }

  static size_t count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
  }

 private:
  void* chunk_ = nullptr;
};
