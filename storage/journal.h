// The commit journal of installs and deletions, and the recovery that
// finishes an interrupted one.
//
// A commit first makes every new file complete under its temporary name,
// then writes one journal "gfs://java/<id>.jnl" (atomically: a flushed
// sibling renamed over it) that lists the steps still to do: renames,
// deletions, and the suite's index record with the index header as they
// must end up. Its steps are idempotent (a rename whose source is gone and
// a deletion of a missing file are done already; the index record and
// header are absolute values), so running it again after a kill at any
// instant ends in the same state. The journal is deleted last.
//
//   journal (runs of 32-bit fields)
//   0     magic "OJNL", suite id, order, step count n (at most 24)
//   16    index header (256 bytes), index slot of the id (256 bytes)
//   528   n steps: op (1 rename, 2 delete), from (256), to (256)
//
// Order: an install runs its file steps before the index (the suite
// appears only with all its files), a deletion the index first (no listed
// suite ever lacks its files).
// Recovery runs only under the install lock (installlock.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "storage/ojfs.h"
#include "storage/suiteindex.h"

enum OjmsJournalOrder : uint32_t {
  OJMS_JOURNAL_FILES_FIRST = 0,
  OJMS_JOURNAL_INDEX_FIRST = 1,
};

enum OjmsJournalOp : uint32_t {
  OJMS_JOURNAL_RENAME = 1,
  OJMS_JOURNAL_DELETE = 2,
};

constexpr int32_t kOjmsJournalMaxSteps = 24;

struct OjmsJournalStep {
  uint32_t op;
  char from[kOjfsUriBytes];  // a deletion's file
  char to[kOjfsUriBytes];
};
static_assert(offsetof(OjmsJournalStep, from) == 4 && offsetof(OjmsJournalStep, to) == 260 &&
              sizeof(OjmsJournalStep) == 516);

struct OjmsJournal {
  char magic[4];
  uint32_t id;
  uint32_t order;
  uint32_t stepCount;
  uint8_t indexHeader[kOjmsHeaderBytes];
  uint8_t indexSlot[kOjmsSlotBytes];
  OjmsJournalStep steps[kOjmsJournalMaxSteps];
};
static_assert(offsetof(OjmsJournal, indexHeader) == 16 && offsetof(OjmsJournal, indexSlot) == 272 &&
              offsetof(OjmsJournal, steps) == 528 && sizeof(OjmsJournal) == 528 + 24 * 516);

// A journal lives on the heap: at about 13 KB it is too big for the stack
// of a VM thread that installs.
using OjmsJournalPtr = std::unique_ptr<OjmsJournal>;
// Starts an empty journal of a suite (0 to 255); null when out of memory.
OjmsJournalPtr ojms_beginJournal(int32_t id, OjmsJournalOrder order);
// Adds a step; -1 (262) when the journal is full or a URI does not fit.
int32_t ojms_journalRename(OjmsJournal* journal, const char* from, const char* to);
int32_t ojms_journalDelete(OjmsJournal* journal, const char* uri);
// Takes the suite's index record and header from the index cache, writes
// the journal, runs it and deletes it: 0; -1 when it failed before the
// journal was written (nothing changed); -2 when a step failed after it
// (the commit stands: the journal and its temporaries stay for the next
// recovery).
int32_t ojms_commitJournal(OjmsJournal* journal);

// Finishes every journal of "gfs://java/" and deletes its stray temporaries
// ("*.tmp"); the install lock must be held. 0, or -1 when a journal could
// not be finished (it stays).
int32_t ojms_recoverStorage();
