// The commit journal and recovery (see journal.h).
#include "storage/journal.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "storage/ojmsfile.h"

namespace {

constexpr char kMagic[4] = {'O', 'J', 'N', 'L'};
constexpr char kDirectory[] = "gfs://java/";
constexpr char kJournalSuffix[] = ".jnl";
constexpr char kTempSuffix[] = ".tmp";
constexpr int32_t kHeadBytes = static_cast<int32_t>(offsetof(OjmsJournal, steps));
constexpr int32_t kStepBytes = static_cast<int32_t>(sizeof(OjmsJournalStep));

int32_t journalBytes(uint32_t steps) { return kHeadBytes + static_cast<int32_t>(steps) * kStepBytes; }

void journalUri(int32_t id, char* uri) {
  std::snprintf(uri, kOjfsUriBytes, "%s%d%s", kDirectory, id, kJournalSuffix);
}

// Every URI a journal names lies in the gfs tree and is terminated inside
// its field.
bool gfsUri(const char* uri) {
  return std::memchr(uri, '\0', kOjfsUriBytes) != nullptr && std::strncmp(uri, "gfs://", 6) == 0;
}

int32_t addStep(OjmsJournal* journal, uint32_t op, const char* from, const char* to) {
  if (journal->stepCount >= static_cast<uint32_t>(kOjmsJournalMaxSteps) ||
      std::strlen(from) >= kOjfsUriBytes || std::strlen(to) >= kOjfsUriBytes || !gfsUri(from) ||
      (op == OJMS_JOURNAL_RENAME && !gfsUri(to))) {
    return ojms_fail(OJMS_ERR_PARAMETER);
  }
  OjmsJournalStep& step = journal->steps[journal->stepCount++];
  std::memset(&step, 0, sizeof step);
  step.op = op;
  std::strcpy(step.from, from);
  std::strcpy(step.to, to);
  return 0;
}

bool exists(const char* uri) { return ojms_fileSize(uri) >= 0; }

// The file steps; each is done already when its source is gone.
int32_t runFiles(const OjmsJournal& journal) {
  for (uint32_t i = 0; i < journal.stepCount; ++i) {
    const OjmsJournalStep& step = journal.steps[i];
    if (!exists(step.from)) continue;
    const int32_t result =
        step.op == OJMS_JOURNAL_RENAME ? ojfs_rename(step.from, step.to) : ojfs_delete(step.from);
    if (result != 0) return ojms_fail(OJMS_ERR_FILE);
  }
  return 0;
}

int32_t run(const OjmsJournal& journal) {
  const int32_t id = static_cast<int32_t>(journal.id);
  if (journal.order == OJMS_JOURNAL_INDEX_FIRST) {
    if (ojms_applyIndexRecord(id, journal.indexHeader, journal.indexSlot) != 0) return -1;
    if (runFiles(journal) != 0) return -1;
  } else {
    if (runFiles(journal) != 0) return -1;
    if (ojms_applyIndexRecord(id, journal.indexHeader, journal.indexSlot) != 0) return -1;
  }
  char uri[kOjfsUriBytes];
  journalUri(id, uri);
  return ojfs_delete(uri) == 0 ? 0 : ojms_fail(OJMS_ERR_FILE);
}

// Reads and checks the journal of a suite; false for a journal no commit
// could have written.
bool load(int32_t id, const char* uri, OjmsJournal* journal) {
  auto* bytes = reinterpret_cast<uint8_t*>(journal);
  const int32_t length = ojms_readFileHead(uri, bytes, static_cast<int32_t>(sizeof *journal));
  if (length < kHeadBytes || std::memcmp(journal->magic, kMagic, sizeof kMagic) != 0 ||
      journal->id != static_cast<uint32_t>(id) ||
      (journal->order != OJMS_JOURNAL_FILES_FIRST && journal->order != OJMS_JOURNAL_INDEX_FIRST) ||
      journal->stepCount > static_cast<uint32_t>(kOjmsJournalMaxSteps) ||
      length != journalBytes(journal->stepCount)) {
    return false;
  }
  for (uint32_t i = 0; i < journal->stepCount; ++i) {
    const OjmsJournalStep& step = journal->steps[i];
    if (!gfsUri(step.from) || std::memchr(step.to, '\0', sizeof step.to) == nullptr) return false;
    if (step.op == OJMS_JOURNAL_RENAME ? !gfsUri(step.to) : step.op != OJMS_JOURNAL_DELETE) return false;
  }
  return true;
}

bool endsWith(const std::string& text, const char* suffix) {
  const size_t n = std::strlen(suffix);
  return text.size() >= n && text.compare(text.size() - n, n, suffix) == 0;
}

// The id of "gfs://java/<id>.jnl" (0 to 255), or -1.
int32_t journalId(const std::string& uri) {
  const std::string name = uri.substr(sizeof kDirectory - 1, uri.size() - (sizeof kDirectory - 1) - 4);
  if (name.empty() || name.size() > 3 || name.find_first_not_of("0123456789") != std::string::npos) return -1;
  const int32_t id = std::atoi(name.c_str());
  return id < kOjmsPhoneSuites && std::to_string(id) == name ? id : -1;
}

}  // namespace

OjmsJournalPtr ojms_beginJournal(int32_t id, OjmsJournalOrder order) {
  OjmsJournalPtr journal(new (std::nothrow) OjmsJournal);
  if (journal == nullptr) return nullptr;
  std::memset(journal.get(), 0, kHeadBytes);
  std::memcpy(journal->magic, kMagic, sizeof kMagic);
  journal->id = static_cast<uint32_t>(id);
  journal->order = order;
  return journal;
}

int32_t ojms_journalRename(OjmsJournal* journal, const char* from, const char* to) {
  return addStep(journal, OJMS_JOURNAL_RENAME, from, to);
}

int32_t ojms_journalDelete(OjmsJournal* journal, const char* uri) {
  return addStep(journal, OJMS_JOURNAL_DELETE, uri, "");
}

int32_t ojms_commitJournal(OjmsJournal* journal) {
  const int32_t id = static_cast<int32_t>(journal->id);
  if (id < 0 || id >= kOjmsPhoneSuites) return ojms_fail(OJMS_ERR_PARAMETER);
  if (ojms_captureIndexRecord(id, journal->indexHeader, journal->indexSlot) != 0) return -1;
  char uri[kOjfsUriBytes];
  journalUri(id, uri);
  if (ojms_writeWholeFile(uri, reinterpret_cast<const uint8_t*>(journal), journalBytes(journal->stepCount)) !=
      0) {
    return -1;
  }
  return run(*journal) == 0 ? 0 : -2;
}

int32_t ojms_recoverStorage() {
  const int32_t dir = ojfs_opendir(kDirectory);
  if (dir < 0) return ojms_fail(OJMS_ERR_FILE);
  std::vector<std::string> journals;
  std::vector<std::string> temporaries;
  for (const OjfsDirEntry* entry = ojfs_readdir(dir); entry != nullptr; entry = ojfs_readdir(dir)) {
    const std::string name = entry->name;
    if ((entry->flags & OJFS_FLAG_DIRECTORY) != 0 || name.compare(0, sizeof kDirectory - 1, kDirectory) != 0)
      continue;
    if (endsWith(name, kJournalSuffix)) journals.push_back(name);
    if (endsWith(name, kTempSuffix)) temporaries.push_back(name);
  }
  ojfs_closedir(dir);
  OjmsJournalPtr journal(new (std::nothrow) OjmsJournal);
  if (journal == nullptr) return ojms_fail(OJMS_ERR_FILE);
  int32_t result = 0;
  for (const std::string& uri : journals) {
    const int32_t id = journalId(uri);
    if (id < 0 || !load(id, uri.c_str(), journal.get())) {
      // Not a journal of ours: nothing to finish.
      ojfs_delete(uri.c_str());
    } else if (run(*journal) != 0) {
      result = -1;
    }
  }
  // The temporaries a finished journal named are renamed by now; the rest
  // are strays. An unfinished journal keeps them all.
  if (result != 0) return -1;
  for (const std::string& uri : temporaries) {
    if (exists(uri.c_str()) && ojfs_delete(uri.c_str()) != 0) result = ojms_fail(OJMS_ERR_FILE);
  }
  return result;
}
