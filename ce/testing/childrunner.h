// Child processes for tests, started with posix_spawn.
//
// A child gets a pipe as standard input and one pipe for standard output
// and standard error together; it inherits the environment (CE_ROOT). A
// test may read its output line by line while it runs (a "ready" line),
// then close its input and collect the exit status and the rest of the
// output. Nothing waits on a clock: a child that never ends hangs the test,
// which CTest's time-out ends.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

struct CeChild {
  pid_t pid = -1;
  int input = -1;   // the child's standard input
  int output = -1;  // its standard output and error
};

struct CeChildResult {
  int status = -1;  // exit status, or 128 + signal
  std::string output;
};

// Starts argv[0] (a path) with argv; false when it cannot be started.
bool vsCeTest_spawn(const std::vector<std::string>& argv, CeChild* child);
// Reads one line of output without its "\n"; false at the end.
bool vsCeTest_readLine(CeChild* child, std::string* line);
// Closes the child's input, reads its output to the end and waits for it.
CeChildResult vsCeTest_finish(CeChild* child);
// spawn + finish.
CeChildResult vsCeTest_run(const std::vector<std::string>& argv);

// The directory of the running test program (helpers are built beside it).
std::string vsCeTest_selfDirectory();
