// Child processes (see childrunner.h).
#include "ce/testing/childrunner.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

bool vsCeTest_spawn(const std::vector<std::string>& argv, CeChild* child) {
  int in[2], out[2];
  if (argv.empty() || pipe2(in, O_CLOEXEC) != 0)
    return false;
  if (pipe2(out, O_CLOEXEC) != 0) {
    close(in[0]);
    close(in[1]);
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, out[1], 2);
  std::vector<char*> args;
  for (const std::string& a : argv)
    args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid;
  const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  if (rc != 0) {
    close(in[1]);
    close(out[0]);
    return false;
  }
  *child = CeChild{pid, in[1], out[0]};
  return true;
}

bool vsCeTest_readLine(CeChild* child, std::string* line) {
  line->clear();
  char c;
  while (read(child->output, &c, 1) == 1) {
    if (c == '\n')
      return true;
    line->push_back(c);
  }
  return !line->empty();
}

CeChildResult vsCeTest_finish(CeChild* child) {
  CeChildResult result;
  if (child->input >= 0)
    close(child->input);
  char buffer[4096];
  ssize_t n;
  while ((n = read(child->output, buffer, sizeof buffer)) > 0)
    result.output.append(buffer, static_cast<size_t>(n));
  close(child->output);
  int status = 0;
  while (waitpid(child->pid, &status, 0) < 0 && errno == EINTR) {
  }
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  *child = CeChild{};
  return result;
}

CeChildResult vsCeTest_run(const std::vector<std::string>& argv) {
  CeChild child;
  if (!vsCeTest_spawn(argv, &child))
    return CeChildResult{};
  return vsCeTest_finish(&child);
}

std::string vsCeTest_selfDirectory() {
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0)
    return ".";
  std::string self(path, static_cast<size_t>(n));
  return self.substr(0, self.find_last_of('/'));
}
