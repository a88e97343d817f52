// Loading every class of the archives (see class_loading_pass.h).
#include "tools/romizer/class_loading_pass.h"

#include "vm/core/model/roots.h"

#include <algorithm>

#include "vm/core/loader/class_loading.h"
#include "vm/core/loader/jar_file.h"
#include "vm/core/memory/class_table.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/vm_globals.h"

namespace {

std::vector<std::string> gEntryNames;
std::string gLoading;

// The classes of the persistent roots that the image-less start does not
// load itself; the VM's start needs them.
struct RootClass {
  Root root;
  const char* name;
};
constexpr RootClass kRootClasses[] = {{kRootSystem, "java/lang/System"},
                                      {kRootThread, "java/lang/Thread"},
                                      {kRootMath, "java/lang/Math"},
                                      {kRootI18nHelper, "com/sun/cldc/i18n/Helper"}};

void collectEntry(const char* name, uint32_t length, VsJarFile*) {
  gEntryNames.emplace_back(name, length - 6);  // without ".class"
}

}  // namespace

const std::string& romizer_classBeingLoaded() { return gLoading; }

void romizer_loadClasses(RomizerModel& model, const std::vector<std::string>& archives) {
  gEntryNames.clear();
  for (const std::string& archive : archives) {
    vsJarFile_forEachEntry(archive.c_str(), ".class", collectEntry);
    if (vsException_isPending()) romizer_fail("cannot list the classes of %s", archive.c_str());
  }
  std::sort(gEntryNames.begin(), gEntryNames.end());
  gEntryNames.erase(std::unique(gEntryNames.begin(), gEntryNames.end()), gEntryNames.end());
  for (const std::string& name : gEntryNames) {
    gLoading = name;
    if (vsClass_findOrLoadByName(name.c_str(), 1) == 0) romizer_fail("class %s cannot be loaded", name.c_str());
  }
  gLoading.clear();
  for (const RootClass& r : kRootClasses) {
    vsRoot(r.root) = vsClass_findOrLoadByName(r.name, 1);
    if (vsRoot(r.root) == 0) romizer_fail("the library has no class %s", r.name);
  }
  model.classes.clear();
  for (uint32_t id = 0; id < vsClassTable_count(); ++id) model.classes.push_back(vsRef_of(vsClass_byId(id)));
}
