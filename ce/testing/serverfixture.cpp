// The server fixture (see serverfixture.h).
#include "ce/testing/serverfixture.h"

#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "ce/ipc/connection.h"

std::string vsCeTest_bin(const std::string& program) { return std::string(VS_BIN_DIR) + "/" + program; }

std::vector<std::string> vsCeTest_deviceLog(const std::string& name) {
  const char* root = getenv("CE_ROOT");
  std::ifstream in(std::string(root != nullptr ? root : "") + "/.ce/" + name);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

CeServer::CeServer() {
  const std::string root = getenv("CE_ROOT");
  setenv("CE_DEVICE_BIN", vsCeTest_bin("cedevice").c_str(), 1);
  std::string line;
  if (!vsCeTest_spawn({vsCeTest_bin("cedevice"), "serve", root, "--foreground"}, &child_) ||
      !vsCeTest_readLine(&child_, &line) || line != "ready") {
    std::fprintf(stderr, "CeServer: the server did not start (%s)\n", line.c_str());
    abort();
  }
  control_ = vsCeIpc_connectRoot(root);
  if (control_ < 0) {
    std::fprintf(stderr, "CeServer: no control connection\n");
    abort();
  }
}

int CeServer::stop() {
  stopped_ = true;
  vsCeIpc_disconnect();
  Frame stop{FrameKind::Stop, 1, {}};
  if (!vsCeIpc_write(control_, stop))
    kill(child_.pid, SIGKILL);
  Frame frame;
  const char* reason = nullptr;
  while (vsCeIpc_read(control_, &frame, &reason)) {
  }
  close(control_);
  control_ = -1;
  return vsCeTest_finish(&child_).status;
}

CeServer::~CeServer() {
  if (!stopped_)
    stop();
}
