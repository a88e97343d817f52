// The run's launch record (see launch_record.h).
#include "vm/services/lifecycle/launch_record.h"

#include "ce/substrate/vm_sections.h"

namespace {

VS_VMBSS(VsLaunchRecord) gLaunch = {};

}  // namespace

void vsLaunch_setRecord(const VsLaunchSource& jar, const VsLaunchSource& jad) {
  gLaunch = {};
  gLaunch.jar = jar;
  gLaunch.jad = jad;
}

const VsLaunchRecord& vsLaunch_record() { return gLaunch; }
