// The tests' SMS centre (see smscrunner.h).
#include "ce/testing/smscrunner.h"

#include <signal.h>

CeSmsCentre::CeSmsCentre(const std::string& smsc) : smsc_(smsc) {
  if (!vsCeTest_spawn({smsc, "serve", "--listen", "127.0.0.1:0"}, &child_)) return;
  std::string line;
  const std::string prefix = "smsc listening on ";
  if (vsCeTest_readLine(&child_, &line) && line.rfind(prefix, 0) == 0) address_ = line.substr(prefix.size());
}

CeSmsCentre::~CeSmsCentre() {
  if (child_.pid > 0) {
    kill(child_.pid, SIGKILL);
    vsCeTest_finish(&child_);
  }
}

int CeSmsCentre::control(const std::string& command, const std::vector<std::string>& args) const {
  std::vector<std::string> argv{smsc_, command, "--smsc", address_};
  argv.insert(argv.end(), args.begin(), args.end());
  return vsCeTest_run(argv).status;
}

bool CeSmsCentre::stop() {
  if (control("stop") != 0) return false;
  const bool ended = vsCeTest_finish(&child_).status == 0;
  child_.pid = -1;
  return ended;
}
