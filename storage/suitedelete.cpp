// Suite deletion under the install lock, committed through one journal
// (journal.h) whose index step goes first: an interrupted deletion is
// finished by the next recovery, and no listed suite ever lacks its files.
#include <cstdio>
#include <cstring>

#include "storage/installer.h"
#include "storage/installlock.h"
#include "storage/journal.h"
#include "storage/ojfs.h"
#include "storage/ojmsfile.h"
#include "storage/suitefiles.h"
#include "storage/suiteindex.h"

namespace {

int32_t deleteLocked(int32_t id) {
  if (ojms_syncIndex() != 0 || ojms_recoverStorage() != 0) return -1;
  constexpr int32_t kKinds[] = {OJMS_KIND_JAR, OJMS_KIND_MSS, OJMS_KIND_RS1, OJMS_KIND_RS2,
                                OJMS_KIND_RS3, OJMS_KIND_RAW, OJMS_KIND_JDX};
  const OjmsJournalPtr journal = ojms_beginJournal(id, OJMS_JOURNAL_INDEX_FIRST);
  if (journal == nullptr) return ojms_fail(OJMS_ERR_FILE);
  for (int32_t kind : kKinds) {
    char path[kOjfsUriBytes];
    std::snprintf(path, sizeof path, "%s", ojms_getSuiteFilePath(id, kind));
    // Files outside the gfs tree (a ROM suite's) cannot be deleted.
    if (std::strncmp(path, "gfs://", 6) == 0 && ojms_journalDelete(journal.get(), path) != 0) return -1;
  }
  ojms_deleteSuiteRecord(id);
  ojms_closeJdx(0);
  const int32_t result = ojms_commitJournal(journal.get());
  if (result != 0) ojms_closeIndex(0);
  return result == 0 ? 0 : -1;
}

}  // namespace

int32_t ojms_deleteSuiteFiles(int32_t id) {
  if (id < 0 || id >= kOjmsPhoneSuites) return ojms_fail(OJMS_ERR_PARAMETER);
  if (!ojms_lockInstall(true)) return ojms_fail(OJMS_ERR_FILE);
  const int32_t result = deleteLocked(id);
  ojms_unlockInstall();
  return result;
}
