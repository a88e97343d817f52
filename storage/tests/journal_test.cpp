#include "storage/journal.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "storage/installlock.h"
#include "storage/ojmsfile.h"
#include "storage/suitestore.h"
#include "storage/tests/storage_fixture.h"

namespace {

class Journal : public StorageTest {
 protected:
  void SetUp() override {
    StorageTest::SetUp();
    ojfs_fini();
    ASSERT_EQ(ojms_init(), 0);
  }
  void TearDown() override {
    ojms_fini();
    StorageTest::TearDown();
  }
  // A journal of a new suite "New" at id 0: its .jdx comes from a
  // temporary, a leftover record store goes; the record is in the cache.
  OjmsJournalPtr prepare() {
    writeHost(java("0_3.tmp"), "new jdx");
    writeHost(java("0.rs1"), "leftover");
    EXPECT_EQ(add("New"), 0);
    OjmsJournalPtr journal = ojms_beginJournal(0, OJMS_JOURNAL_FILES_FIRST);
    EXPECT_EQ(ojms_journalRename(journal.get(), "gfs://java/0_3.tmp", "gfs://java/0.jdx"), 0);
    EXPECT_EQ(ojms_journalDelete(journal.get(), "gfs://java/0.rs1"), 0);
    EXPECT_EQ(ojms_captureIndexRecord(0, journal->indexHeader, journal->indexSlot), 0);
    ojms_discardIndexCache();
    return journal;
  }
  // Writes a journal file as a commit leaves it before its steps run.
  void leave(const OjmsJournal& journal, const std::string& name, int32_t extraBytes = 0) {
    const int32_t length =
        static_cast<int32_t>(offsetof(OjmsJournal, steps) + journal.stepCount * sizeof(OjmsJournalStep)) +
        extraBytes;
    ASSERT_EQ(ojms_writeWholeFile(("gfs://java/" + name).c_str(), reinterpret_cast<const uint8_t*>(&journal),
                                  length),
              0);
  }
  bool listed(const char* name) { return ojms_findSuiteInMemory(name, "Test") >= 0; }
};

TEST_F(Journal, RecoveryFinishesAJournalAndDropsStrays) {
  const OjmsJournalPtr journal = prepare();
  leave(*journal, "0.jnl");
  writeHost(java("7_4.tmp"), "a stray JAR copy");
  writeHost(java("category.dat.tmp"), "a stray whole-file write");
  EXPECT_FALSE(listed("New"));
  ASSERT_TRUE(ojms_lockInstall(false));
  ASSERT_EQ(ojms_recoverStorage(), 0);
  ojms_unlockInstall();
  EXPECT_EQ(readHost(java("0.jdx")), "new jdx");
  for (const char* gone : {"0_3.tmp", "0.rs1", "0.jnl", "7_4.tmp", "category.dat.tmp"})
    EXPECT_FALSE(hostExists(java(gone))) << gone;
  EXPECT_TRUE(listed("New"));
  // Running it again (a kill after its steps, before its deletion) changes
  // nothing.
  const std::string index = readHost(indexPath());
  leave(*journal, "0.jnl");
  ASSERT_TRUE(ojms_lockInstall(false));
  ASSERT_EQ(ojms_recoverStorage(), 0);
  ojms_unlockInstall();
  EXPECT_EQ(readHost(indexPath()), index);
  EXPECT_EQ(readHost(java("0.jdx")), "new jdx");
}

TEST_F(Journal, HostileJournalsAreDroppedUnrun) {
  struct Case {
    const char* label;
    const char* file;
    void (*spoil)(OjmsJournal*);
    int32_t extraBytes;
  };
  const Case cases[] = {
      {"bad magic", "0.jnl", [](OjmsJournal* j) { j->magic[0] = 'X'; }, 0},
      {"id not the file's", "1.jnl", [](OjmsJournal*) {}, 0},
      {"file name not an id", "00.jnl", [](OjmsJournal*) {}, 0},
      {"id past phone memory", "256.jnl", [](OjmsJournal* j) { j->id = 256; }, 0},
      {"unknown order", "0.jnl", [](OjmsJournal* j) { j->order = 2; }, 0},
      {"step count past the bound", "0.jnl", [](OjmsJournal* j) { j->stepCount = 25; }, 0},
      {"size not the step count's", "0.jnl", [](OjmsJournal*) {}, 7},
      {"unknown step", "0.jnl", [](OjmsJournal* j) { j->steps[0].op = 3; }, 0},
      {"path outside gfs", "0.jnl", [](OjmsJournal* j) { std::strcpy(j->steps[0].to, "rom://midlet/0.jdx"); },
       0},
      {"unterminated path", "0.jnl",
       [](OjmsJournal* j) { std::memset(j->steps[1].from, 'a', kOjfsUriBytes); }, 0},
  };
  for (const Case& c : cases) {
    const OjmsJournalPtr journal = prepare();
    c.spoil(journal.get());
    const uint32_t steps = journal->stepCount;
    journal->stepCount = steps > static_cast<uint32_t>(kOjmsJournalMaxSteps) ? 2 : steps;
    leave(*journal, c.file, c.extraBytes);
    if (steps != journal->stepCount) {
      // The count itself spoiled: rewrite the field in the file.
      std::string bytes = readHost(java(c.file));
      std::memcpy(&bytes[12], &steps, 4);
      writeHost(java(c.file), bytes);
    }
    ASSERT_TRUE(ojms_lockInstall(false));
    EXPECT_EQ(ojms_recoverStorage(), 0) << c.label;
    ojms_unlockInstall();
    EXPECT_FALSE(hostExists(java(c.file))) << c.label;
    EXPECT_FALSE(hostExists(java("0.jdx"))) << c.label;
    EXPECT_EQ(readHost(java("0.rs1")), "leftover") << c.label;
    EXPECT_FALSE(listed("New")) << c.label;
  }
}

TEST_F(Journal, AJournalThatCannotFinishKeepsItsTemporaries) {
  const OjmsJournalPtr journal = prepare();
  // A rename onto a directory fails.
  ASSERT_EQ(ojms_journalRename(journal.get(), "gfs://java/0_5.tmp", "gfs://java/dir"), 0);
  writeHost(java("0_5.tmp"), "container");
  ASSERT_EQ(mkdir(java("dir").c_str(), 0777), 0);
  leave(*journal, "0.jnl");
  ASSERT_TRUE(ojms_lockInstall(false));
  EXPECT_EQ(ojms_recoverStorage(), -1);
  ojms_unlockInstall();
  for (const char* kept : {"0.jnl", "0_5.tmp"}) EXPECT_TRUE(hostExists(java(kept))) << kept;
  // ojms_init still starts the storage.
  ASSERT_EQ(ojms_fini(), 0);
  EXPECT_EQ(ojms_init(), 0);
}

TEST_F(Journal, StepsAreBoundedAndStayInGfs) {
  const OjmsJournalPtr journal = ojms_beginJournal(3, OJMS_JOURNAL_INDEX_FIRST);
  ASSERT_NE(journal, nullptr);
  EXPECT_EQ(ojms_journalDelete(journal.get(), "rom://midlet/3.jdx"), -1);
  EXPECT_EQ(ojms_journalRename(journal.get(), "gfs://java/3_4.tmp", "drm://java/3.jar"), -1);
  EXPECT_EQ(ojms_journalDelete(journal.get(), ("gfs://java/" + std::string(kOjfsUriBytes, 'a')).c_str()), -1);
  EXPECT_EQ(ojms_getLastError(), OJMS_ERR_PARAMETER);
  for (int32_t i = 0; i < kOjmsJournalMaxSteps; ++i)
    EXPECT_EQ(ojms_journalDelete(journal.get(), "gfs://java/3.rs1"), 0) << i;
  EXPECT_EQ(ojms_journalDelete(journal.get(), "gfs://java/3.rs1"), -1);
  EXPECT_EQ(journal->stepCount, static_cast<uint32_t>(kOjmsJournalMaxSteps));
}

// ojms_init skips recovery while another process holds the install lock,
// and finishes it once the lock is free.
TEST_F(Journal, InitSkipsRecoveryWhileAnotherProcessInstalls) {
  OtherProcessLock other;
  ASSERT_TRUE(other.taken());
  writeHost(java("0_4.tmp"), "an install's JAR copy");
  EXPECT_FALSE(ojms_lockInstall(false));
  ASSERT_EQ(ojms_fini(), 0);
  EXPECT_EQ(ojms_init(), 0);
  EXPECT_TRUE(hostExists(java("0_4.tmp"))) << "recovered under another process's install";
  EXPECT_TRUE(other.release());
  ASSERT_EQ(ojms_fini(), 0);
  EXPECT_EQ(ojms_init(), 0);
  EXPECT_FALSE(hostExists(java("0_4.tmp")));
  // In one process the lock nests.
  ASSERT_TRUE(ojms_lockInstall(false));
  ASSERT_TRUE(ojms_lockInstall(false));
  ojms_unlockInstall();
  ojms_unlockInstall();
}

// A kill between category.dat (written first) and the index leaves a
// deleted category's suites in a free slot: ojms_init files them under 0.
TEST_F(Journal, InitFilesSuitesOfADeletedCategory) {
  int32_t slot = -1;
  ASSERT_EQ(ojms_addCategory("Games", &slot), 0);
  ASSERT_EQ(slot, 3);
  add("InGames", 3);
  add("Elsewhere", 0);
  ASSERT_EQ(ojms_fini(), 0);
  const std::string index = readHost(indexPath());
  ASSERT_EQ(ojms_init(), 0);
  ASSERT_EQ(ojms_deleteCategory(3), 0);
  ASSERT_EQ(ojms_saveCategories(), 0);
  // The kill: the process ends without writing the index.
  ojms_discardIndexCache();
  ojfs_fini();
  ASSERT_EQ(readHost(indexPath()), index);
  ASSERT_EQ(ojms_init(), 0);
  OjmsSuiteInfo record;
  ASSERT_EQ(ojms_readSuiteRecord(0, &record), 0);
  EXPECT_EQ(record.category, 0u);
  EXPECT_EQ(ojms_getSuiteCount(0), 2);
  EXPECT_NE(readHost(indexPath()), index);
}

}  // namespace
