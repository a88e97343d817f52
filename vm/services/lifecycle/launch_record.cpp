// The run's launch record (see launch_record.h).
#include "vm/services/lifecycle/launch_record.h"

#include "ce/substrate/vm_sections.h"

namespace {

VS_VMBSS(VsLaunchRecord) gLaunch = {};

}  // namespace

void vsLaunch_setRecord(const JKT_MIDP_Application* app) {
  gLaunch = {};
  gLaunch.jar = {app->jarSize, app->jarAddr, app->jarRead};
  gLaunch.jad = {app->jadSize, app->jadAddr, app->jadRead};
}

const VsLaunchRecord& vsLaunch_record() { return gLaunch; }
