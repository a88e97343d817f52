// Suite deletion: the index record goes first (written at once), then the
// suite's files, so an interrupted deletion leaves at most stray files of a
// suite that no longer exists, never a listed suite without its files.
#include <cstdio>

#include "storage/installer.h"
#include "storage/ojfs.h"
#include "storage/ojmsfile.h"
#include "storage/suitefiles.h"
#include "storage/suiteindex.h"

int32_t ojms_deleteSuiteFiles(int32_t id) {
  if (id < 0 || id >= kOjmsPhoneSuites) return ojms_fail(OJMS_ERR_PARAMETER);
  constexpr int32_t kKinds[] = {OJMS_KIND_JAR, OJMS_KIND_MSS, OJMS_KIND_RS1, OJMS_KIND_RS2,
                                OJMS_KIND_RS3, OJMS_KIND_RAW, OJMS_KIND_JDX};
  char paths[sizeof kKinds / sizeof kKinds[0]][kOjfsUriBytes];
  for (size_t i = 0; i < sizeof kKinds / sizeof kKinds[0]; ++i)
    std::snprintf(paths[i], sizeof paths[i], "%s", ojms_getSuiteFilePath(id, kKinds[i]));
  ojms_deleteSuiteRecord(id);
  ojms_closeIndex(1);
  for (const char* path : paths)
    if (path[0] != '\0' && ojms_fileSize(path) >= 0) ojfs_delete(path);
  return 0;
}
