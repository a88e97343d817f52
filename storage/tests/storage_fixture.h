// Shared pieces of the suite-storage tests: host file helpers, a fresh
// device root with the seed index and empty storage caches, and a child
// process that holds the install lock.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "ce/testing/devroot.h"
#include "storage/categories.h"
#include "storage/installlock.h"
#include "storage/ojfs.h"
#include "storage/suiteindex.h"

inline std::string readHost(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void writeHost(const std::string& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
}

inline bool hostExists(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0;
}

// The seed index: the magic, page count 1, zeros elsewhere.
inline std::string seedIndex() {
  std::string seed(4096, '\0');
  std::memcpy(&seed[0], "ZEVK_HDR", 8);
  seed[10] = 1;
  return seed;
}

inline OjmsSuiteInfo suiteRecord(const std::string& name, const std::string& vendor = "Test", uint32_t category = 0) {
  OjmsSuiteInfo record{};
  std::strncpy(record.name, name.c_str(), sizeof record.name - 1);
  std::strncpy(record.vendor, vendor.c_str(), sizeof record.vendor - 1);
  std::strcpy(record.version, "1.0");
  std::strcpy(record.directory, "gfs://java/");
  record.category = category;
  record.jarSize = 1000;
  record.midletCount = 1;
  return record;
}

class StorageTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(ojfs_init(), 0);
    ojms_discardIndexCache();
    ojms_discardCategories();
    ojms_setSdCardInUse(false);
    writeHost(indexPath(), seedIndex());
  }
  void TearDown() override {
    ojms_discardIndexCache();
    ojms_discardCategories();
    ojfs_fini();
  }
  std::string indexPath() const { return java("suites.idx"); }
  std::string categoryPath() const { return java("category.dat"); }
  std::string java(const std::string& name) const { return root_.host("Storage/Vostel/java/" + name); }
  std::string card(const std::string& name) const { return root_.host("Storage/Vostel/java/java/" + name); }
  int32_t add(const std::string& name, uint32_t category = 0) {
    const OjmsSuiteInfo record = suiteRecord(name, "Test", category);
    int32_t id = -1;
    EXPECT_EQ(ojms_addSuiteRecord(&record, &id), 0) << name;
    return id;
  }
  CeDeviceRoot root_;
};

// A child process that takes the install lock (as the other program's
// install does) and holds it until release() or destruction; taken() says
// whether it got it.
class OtherProcessLock {
 public:
  OtherProcessLock() {
    if (pipe(ready_) != 0 || pipe(release_) != 0) return;
    child_ = fork();
    if (child_ == 0) {
      close(release_[1]);
      const char answer = ojms_lockInstall(false) ? 'y' : 'n';
      if (write(ready_[1], &answer, 1) != 1) _exit(2);
      char end = 0;
      _exit(read(release_[0], &end, 1) >= 0 ? 0 : 3);
    }
    close(release_[0]);
    close(ready_[1]);
    char answer = 0;
    taken_ = child_ > 0 && read(ready_[0], &answer, 1) == 1 && answer == 'y';
  }
  ~OtherProcessLock() { release(); }
  OtherProcessLock(const OtherProcessLock&) = delete;
  OtherProcessLock& operator=(const OtherProcessLock&) = delete;

  bool taken() const { return taken_; }
  // Ends the child; true when it exited normally.
  bool release() {
    if (child_ <= 0) return false;
    close(release_[1]);
    close(ready_[0]);
    int status = -1;
    const bool ended = waitpid(child_, &status, 0) == child_ && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    child_ = -1;
    return ended;
  }

 private:
  int ready_[2] = {-1, -1};
  int release_[2] = {-1, -1};
  pid_t child_ = -1;
  bool taken_ = false;
};
