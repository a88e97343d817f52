// The compile policy's share of the VM main, in a VM without the dynamic
// compiler: the start time of the run and the four flags that steer the
// policy. Nothing here compiles; the policy's decisions come with the
// compiler.
#pragma once

#include <cstdint>

// Called once main has been handed to its thread: records the start time
// (wall-clock milliseconds) and sets JITControl_Flags = 3,
// JITControl_MaxAppStartTicks = 0, JITControl_MinCompilationInterval = 40
// and CompilationAbstinenceTicks = 0.
void jitPolicy_init(uint64_t nowMillis);

// The time jitPolicy_init recorded; 0 before it ran in this run.
uint64_t jitPolicy_startTime();
