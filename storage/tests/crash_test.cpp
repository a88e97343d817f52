// Crash safety of the suite storage. A child process runs a sequence of
// storage operations and is killed (the ce/fs kill hook) in its k-th
// mutating file call; a fresh process then starts the storage, which
// finishes or drops what the kill cut. The files must then equal, byte for
// byte, the state after the operations the child reported as returned, or
// after the one in flight as well (wholly there or wholly absent), with no
// journal or temporary left; one more install must succeed.
//
// The reference states come from an unkilled child of the same sequence,
// which sends a snapshot of the storage directory after every operation.
// Every k of a fixed sequence is tried, and 200 seeded k of a seeded random
// sequence of 60 operations; both are cut into shards (one CTest test each).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "ce/crypt/wincrypt.h"
#include "ce/fs/testhooks.h"
#include "ce/testing/devroot.h"
#include "ce/testing/testcert.h"
#include "storage/categories.h"
#include "storage/installer.h"
#include "storage/ojmsfile.h"
#include "storage/suitefiles.h"
#include "storage/suiteindex.h"
#include "storage/suitestore.h"
#include "storage/tests/install_fixture.h"
#include "storage/tests/install_seeds.h"
#include "storage/tests/storage_fixture.h"
#include "vm/core/loader/tests/zip_builder.h"

namespace {

constexpr char kVendor[] = "Crash";
constexpr int kFixedShards = 16;
constexpr int kRandomShards = 20;
constexpr int kRandomOperations = 60;
constexpr int kRandomKills = 200;
constexpr uint32_t kRandomSeed = 20261211;

enum class Op { Install, Direct, Delete, Records, CatAdd, CatRename, CatDelete, SetCategory };

// One operation; suites are found by name, categories by name.
struct Operation {
  Op op;
  std::string name;
  std::string other;  // a category's new name, or the category of SetCategory
  std::string jad;
  std::string jar;
  int keepData = 0;
};

std::string describe(const Operation& o) {
  static const char* const kNames[] = {"install", "direct",     "delete",     "records",
                                       "cat-add", "cat-rename", "cat-delete", "set-category"};
  std::string text = std::string(kNames[static_cast<int>(o.op)]) + " " + o.name;
  if (!o.other.empty()) text += " " + o.other;
  if (o.op == Op::Install) text += o.keepData != 0 ? " keep" : " replace";
  if (o.jad.find("MIDlet-Jar-RSA-SHA1") != std::string::npos) text += " signed";
  return text;
}

// JAD and JAR of a suite version; variant changes the JAR's bytes and size
// (over one 4096-byte copy block).
void makeSuite(Operation* o, const std::string& version, int variant, bool sign) {
  const std::string manifest = "Manifest-Version: 1.0\nMIDlet-Name: " + o->name +
                               "\nMIDlet-Vendor: " + kVendor + "\nMIDlet-Version: " + version +
                               "\nMicroEdition-Profile: MIDP-2.0\nMicroEdition-Configuration: CLDC-1.1\n"
                               "MIDlet-1: " +
                               o->name + ", /i.png, M\n";
  const std::vector<uint8_t> jar =
      buildZip({{"META-INF/MANIFEST.MF", std::vector<uint8_t>(manifest.begin(), manifest.end())},
                {"i.png", {1, 2, 3, static_cast<uint8_t>(variant)}},
                {"M.class", std::vector<uint8_t>(5000 + 300 * static_cast<size_t>(variant % 7),
                                                 static_cast<uint8_t>(variant + 1))}});
  o->jar.assign(jar.begin(), jar.end());
  o->jad = "MIDlet-Name: " + o->name + "\nMIDlet-Vendor: " + kVendor + "\nMIDlet-Version: " + version +
           "\nMIDlet-Jar-URL: s.jar\nMIDlet-Jar-Size: " + std::to_string(o->jar.size()) +
           "\nMIDlet-1: " + o->name +
           ", /i.png, M\nMicroEdition-Profile: MIDP-2.0\nMicroEdition-Configuration: CLDC-1.1\n";
  if (sign) {
    o->jad += "MIDlet-Certificate-1-1: " + vsInstallSeeds_base64(vsInstallSeeds_signer()) +
              "\nMIDlet-Jar-RSA-SHA1: " + vsInstallSeeds_base64(vsTestCert_sign(0, o->jar)) + "\n";
  }
}

Operation suiteOp(Op op, const std::string& name, const std::string& version, int variant, bool sign = false,
                  int keepData = 0) {
  Operation o{op, name, "", "", "", keepData};
  makeSuite(&o, version, variant, sign);
  return o;
}

Operation namedOp(Op op, const std::string& name, const std::string& other = "") {
  return Operation{op, name, other, "", "", 0};
}

int32_t answerYes(int32_t, int32_t, void*) { return 1; }
int32_t answerJar(int32_t, int32_t, int32_t) { return 1; }

bool install(const Operation& o) {
  MemorySource jad(o.jad);
  MemorySource jar(o.jar);
  OjmsInstallInfo info{};
  ojms_requestJadInstall(jad.get(), "http://h/s.jad", &info, answerYes);
  if (ojms_getLastStatus() != OTA_SUCCESS) return false;
  ojms_requestJarInstall(0, jad.get(), "http://h/s.jad", jar.get(), o.keepData, answerJar);
  return ojms_getLastStatus() == OTA_SUCCESS;
}

// Category changes are committed as the storage's end does: category.dat,
// then the index.
bool saveCategories() { return ojms_saveCategories() == 0 && ojms_syncIndex() == 0; }

bool perform(const Operation& o) {
  const int32_t id = ojms_findSuiteInMemory(o.name.c_str(), kVendor);
  switch (o.op) {
    case Op::Install:
      return install(o);
    case Op::Direct: {
      MemorySource jad(o.jad);
      MemorySource jar(o.jar);
      return ojms_installDirect(jad.get(), jar.get()) >= 0;
    }
    case Op::Delete:
      return id >= 0 && ojms_deleteSuiteFiles(id) == 0;
    case Op::Records: {
      // What a running suite writes: its first record store.
      const std::string data = "records of " + o.name + " " + o.other;
      char uri[kOjfsUriBytes];
      std::snprintf(uri, sizeof uri, "%s", ojms_getSuiteFilePath(id, OJMS_KIND_RS1));
      return id >= 0 && ojms_writeWholeFile(uri, reinterpret_cast<const uint8_t*>(data.data()),
                                            static_cast<int32_t>(data.size())) == 0;
    }
    case Op::CatAdd: {
      int32_t slot = -1;
      return ojms_addCategory(o.name.c_str(), &slot) == 0 && saveCategories();
    }
    case Op::CatRename: {
      const int32_t slot = ojms_findCategory(o.name.c_str());
      return slot >= 0 && ojms_renameCategory(slot, o.other.c_str()) == 0 && saveCategories();
    }
    case Op::CatDelete: {
      const int32_t slot = ojms_findCategory(o.name.c_str());
      return slot >= 0 && ojms_deleteCategory(slot) == 0 && saveCategories();
    }
    case Op::SetCategory: {
      const int32_t slot = ojms_findCategory(o.other.c_str());
      return id >= 0 && slot >= 0 && ojms_setSuiteCategory(id, slot) == 0 && saveCategories();
    }
  }
  return false;
}

// The storage directory: relative path -> bytes (the lock file aside).
using Snapshot = std::map<std::string, std::string>;

Snapshot snapshot(const std::string& directory) {
  Snapshot files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(directory)) {
    if (!entry.is_regular_file()) continue;
    const std::string relative = std::filesystem::relative(entry.path(), directory).string();
    if (relative != "install.lck") files[relative] = readHost(entry.path().string());
  }
  return files;
}

void restore(const std::string& directory, const Snapshot& files) {
  std::filesystem::remove_all(directory);
  std::filesystem::create_directories(directory);
  for (const auto& [name, data] : files) {
    std::filesystem::create_directories(std::filesystem::path(directory + "/" + name).parent_path());
    writeHost(directory + "/" + name, data);
  }
}

// The first differences between two snapshots, for a failure message.
std::string differences(const Snapshot& expected, const Snapshot& actual) {
  std::string text;
  int shown = 0;
  for (const auto& [name, data] : expected) {
    const auto found = actual.find(name);
    if (found == actual.end()) {
      text += " missing " + name + ";";
    } else if (found->second != data) {
      size_t at = 0;
      while (at < data.size() && at < found->second.size() && data[at] == found->second[at]) ++at;
      text += " " + name + " differs at byte " + std::to_string(at) + " (sizes " +
              std::to_string(data.size()) + ", " + std::to_string(found->second.size()) + ");";
    } else {
      continue;
    }
    if (++shown == 4) return text + " ...";
  }
  for (const auto& [name, data] : actual) {
    if (expected.count(name) == 0) text += " extra " + name + ";";
  }
  return text;
}

// Messages from the child on a pipe: a type, a length and the payload.
enum Message : uint32_t { kReturned = 1, kSnapshot = 2, kFailed = 3 };

void send(int fd, uint32_t type, const std::string& payload) {
  std::string frame(8, '\0');
  const uint32_t length = static_cast<uint32_t>(payload.size());
  std::memcpy(&frame[0], &type, 4);
  std::memcpy(&frame[4], &length, 4);
  frame += payload;
  for (size_t at = 0; at < frame.size();) {
    const ssize_t n = write(fd, frame.data() + at, frame.size() - at);
    if (n <= 0) _exit(5);
    at += static_cast<size_t>(n);
  }
}

std::string encode(const Snapshot& files) {
  std::string out;
  for (const auto& [name, data] : files) {
    for (const std::string* part : {&name, &data}) {
      const uint32_t length = static_cast<uint32_t>(part->size());
      out.append(reinterpret_cast<const char*>(&length), 4);
      out += *part;
    }
  }
  return out;
}

Snapshot decode(const std::string& bytes) {
  Snapshot files;
  size_t at = 0;
  auto next = [&] {
    uint32_t length = 0;
    std::memcpy(&length, bytes.data() + at, 4);
    std::string part = bytes.substr(at + 4, length);
    at += 4 + length;
    return part;
  };
  while (at < bytes.size()) {
    std::string name = next();
    files[name] = next();
  }
  return files;
}

// Reads a pipe to its end and closes it.
std::string readAll(int fd) {
  std::string bytes;
  char buffer[65536];
  for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) bytes.append(buffer, static_cast<size_t>(n));
  close(fd);
  return bytes;
}

struct WriterRun {
  int returned = 0;              // operations reported as returned
  bool killed = false;           // ended by SIGKILL
  std::string failure;           // an operation that failed, or a bad end
  int64_t mutations = 0;         // mutating calls of the whole run
  std::vector<Snapshot> states;  // with snapshots: after start, after each operation
};

template <typename Body>
int runChild(Body body) {
  const pid_t child = fork();
  if (child == 0) _exit(body());
  int status = -1;
  if (child < 0 || waitpid(child, &status, 0) != child) return -1;
  return status;
}

class CrashTest : public testing::Test {
 protected:
  void SetUp() override {
    const std::string signer = vsInstallSeeds_signer();
    ASSERT_EQ(vsCertStore_add("MY", reinterpret_cast<const BYTE*>(signer.data()),
                              static_cast<DWORD>(signer.size())),
              0u);
    directory_ = root_.host("Storage/Vostel/java");
    std::filesystem::create_directories(directory_);
    // The storage as a first start leaves it: every run starts from here.
    ASSERT_EQ(runChild([] { return ojms_init() == 0 ? 0 : 1; }), 0);
  }

  // Runs the sequence in a child killed in mutating call killAt (0: never).
  WriterRun runWriter(const std::vector<Operation>& sequence, int64_t killAt, bool snapshots) {
    int fds[2];
    WriterRun run;
    if (pipe(fds) != 0) {
      run.failure = "no pipe";
      return run;
    }
    const pid_t child = fork();
    if (child == 0) {
      close(fds[0]);
      if (killAt > 0) vsCeFs_setKillAtMutation(vsCeFs_mutationCount() + killAt);
      const int64_t start = vsCeFs_mutationCount();
      if (ojms_init() != 0) {
        send(fds[1], kFailed, "ojms_init");
        _exit(2);
      }
      if (snapshots) send(fds[1], kSnapshot, encode(snapshot(directory_)));
      for (size_t i = 0; i < sequence.size(); ++i) {
        if (!perform(sequence[i])) {
          send(fds[1], kFailed,
               "operation " + std::to_string(i) + " (" + describe(sequence[i]) + "), last error " +
                   std::to_string(ojms_getLastError()));
          _exit(2);
        }
        const int64_t count = vsCeFs_mutationCount() - start;
        send(fds[1], kReturned, std::string(reinterpret_cast<const char*>(&count), sizeof count));
        if (snapshots) send(fds[1], kSnapshot, encode(snapshot(directory_)));
      }
      _exit(0);
    }
    close(fds[1]);
    const std::string bytes = readAll(fds[0]);
    int status = -1;
    waitpid(child, &status, 0);
    run.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    if (!run.killed && !(WIFEXITED(status) && WEXITSTATUS(status) == 0) && run.failure.empty())
      run.failure = "writer ended with status " + std::to_string(status);
    for (size_t at = 0; at + 8 <= bytes.size();) {
      uint32_t type = 0;
      uint32_t length = 0;
      std::memcpy(&type, bytes.data() + at, 4);
      std::memcpy(&length, bytes.data() + at + 4, 4);
      const std::string payload = bytes.substr(at + 8, length);
      at += 8 + length;
      if (type == kReturned) {
        ++run.returned;
        std::memcpy(&run.mutations, payload.data(), sizeof run.mutations);
      } else if (type == kSnapshot) {
        run.states.push_back(decode(payload));
      } else {
        run.failure = payload;
      }
    }
    return run;
  }

  // The unkilled run of a sequence, with its states.
  WriterRun reference(const std::vector<Operation>& sequence) {
    WriterRun run = runWriter(sequence, 0, true);
    EXPECT_EQ(run.failure, "") << "the unkilled run";
    EXPECT_EQ(run.returned, static_cast<int>(sequence.size()));
    EXPECT_EQ(run.states.size(), sequence.size() + 1);
    return run;
  }

  // Runs every kill of the list against the reference run of the sequence.
  void checkKills(const std::vector<Operation>& sequence, const WriterRun& reference,
                  const std::vector<int64_t>& kills) {
    const Snapshot& start = reference.states[0];
    for (const int64_t k : kills) {
      restore(directory_, start);
      const WriterRun run = runWriter(sequence, k, false);
      const std::string label = "kill in mutating call " + std::to_string(k);
      ASSERT_EQ(run.failure, "") << label;
      ASSERT_TRUE(run.killed || run.returned == static_cast<int>(sequence.size())) << label;
      // A fresh process starts the storage, sends what it then finds and
      // installs one more suite.
      int status = -1;
      const Snapshot after = recoverAndInstall(&status);
      const size_t done = static_cast<size_t>(run.returned);
      const bool before = after == reference.states[done];
      const bool inFlight = done < sequence.size() && after == reference.states[done + 1];
      if (!before && !inFlight) {
        std::string message = label + ", " + std::to_string(done) +
                              " operations returned; against the state before " +
                              (done < sequence.size() ? "'" + describe(sequence[done]) + "'" : "the end") +
                              ":" + differences(reference.states[done], after);
        if (done < sequence.size())
          message += "; against the state after it:" + differences(reference.states[done + 1], after);
        ADD_FAILURE() << message;
        continue;
      }
      EXPECT_EQ(status, 0) << label << ": " << (status == 1 << 8 ? "ojms_init" : "the install after it")
                           << " failed";
    }
  }

  Snapshot recoverAndInstall(int* status) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
      close(fds[0]);
      if (ojms_init() != 0) _exit(1);
      send(fds[1], kSnapshot, encode(snapshot(directory_)));
      close(fds[1]);
      const Operation extra = suiteOp(Op::Install, "Extra", "1.0", 3);
      _exit(install(extra) && ojms_findSuiteInMemory("Extra", kVendor) >= 0 ? 0 : 2);
    }
    close(fds[1]);
    const std::string bytes = readAll(fds[0]);
    waitpid(child, status, 0);
    return bytes.size() >= 8 ? decode(bytes.substr(8)) : Snapshot{};
  }

  CeDeviceRoot root_;
  std::string directory_;
};

// Install A and B, update A (replace), a signed update of A keeping its
// data, category add, file A in it, rename and delete the category, delete
// B, direct install C.
std::vector<Operation> fixedSequence() {
  return {
      suiteOp(Op::Install, "A", "1.0", 0),
      suiteOp(Op::Install, "B", "1.0", 1),
      namedOp(Op::Records, "A", "1"),
      suiteOp(Op::Install, "A", "1.1", 2, false, 0),
      namedOp(Op::Records, "A", "2"),
      suiteOp(Op::Install, "A", "1.2", 4, true, 1),
      namedOp(Op::CatAdd, "Games"),
      namedOp(Op::SetCategory, "A", "Games"),
      namedOp(Op::CatRename, "Games", "Play"),
      namedOp(Op::CatDelete, "Play"),
      namedOp(Op::Delete, "B"),
      suiteOp(Op::Direct, "C", "1.0", 5),
  };
}

// A random sequence of valid operations over a few suite names and
// categories (a model of what is installed keeps every operation valid).
std::vector<Operation> randomSequence() {
  std::mt19937 random(kRandomSeed);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<uint32_t>(n)); };
  std::map<std::string, int> installed;  // name -> version
  std::vector<std::string> categories;
  std::vector<Operation> sequence;
  int variant = 0;
  int categoryNames = 0;
  while (sequence.size() < static_cast<size_t>(kRandomOperations)) {
    const std::string name = "R" + std::to_string(pick(6));
    const bool present = installed.count(name) != 0;
    ++variant;
    switch (pick(9)) {
      case 0:
      case 1:
      case 2:
        if (present) {
          const int version = ++installed[name];
          sequence.push_back(
              suiteOp(Op::Install, name, "1." + std::to_string(version), variant, pick(3) == 0, pick(2)));
        } else {
          installed[name] = 0;
          sequence.push_back(suiteOp(Op::Install, name, "1.0", variant, pick(3) == 0));
        }
        break;
      case 3:
        if (!present) {
          installed[name] = 0;
          sequence.push_back(suiteOp(Op::Direct, name, "1.0", variant));
        }
        break;
      case 4:
        if (present) {
          installed.erase(name);
          sequence.push_back(namedOp(Op::Delete, name));
        }
        break;
      case 5:
        if (present) sequence.push_back(namedOp(Op::Records, name, std::to_string(variant)));
        break;
      case 6:
        if (categories.size() < 5) {
          categories.push_back("K" + std::to_string(categoryNames++));
          sequence.push_back(namedOp(Op::CatAdd, categories.back()));
        }
        break;
      case 7:
        if (!categories.empty()) {
          const size_t c = static_cast<size_t>(pick(static_cast<int>(categories.size())));
          if (pick(2) == 0) {
            sequence.push_back(namedOp(Op::CatDelete, categories[c]));
            categories.erase(categories.begin() + static_cast<long>(c));
          } else {
            const std::string renamed = "K" + std::to_string(categoryNames++);
            sequence.push_back(namedOp(Op::CatRename, categories[c], renamed));
            categories[c] = renamed;
          }
        }
        break;
      default:
        if (present && !categories.empty())
          sequence.push_back(
              namedOp(Op::SetCategory, name,
                      categories[static_cast<size_t>(pick(static_cast<int>(categories.size())))]));
        break;
    }
  }
  return sequence;
}

class FixedSequence : public CrashTest, public testing::WithParamInterface<int> {};
class RandomSequence : public CrashTest, public testing::WithParamInterface<int> {};

TEST_P(FixedSequence, KillAtEveryMutation) {
  const std::vector<Operation> sequence = fixedSequence();
  const WriterRun run = reference(sequence);
  ASSERT_FALSE(HasFailure());
  std::vector<int64_t> kills;
  // One past the last call too: the run then ends unkilled.
  for (int64_t k = 1 + GetParam(); k <= run.mutations + 1; k += kFixedShards) kills.push_back(k);
  checkKills(sequence, run, kills);
}

TEST_P(RandomSequence, KillAtSeededMutations) {
  const std::vector<Operation> sequence = randomSequence();
  const WriterRun run = reference(sequence);
  ASSERT_FALSE(HasFailure());
  std::mt19937_64 random(kRandomSeed);
  std::vector<int64_t> kills;
  for (int i = 0; i < kRandomKills; ++i) {
    const int64_t k = 1 + static_cast<int64_t>(random() % static_cast<uint64_t>(run.mutations));
    if (i % kRandomShards == GetParam()) kills.push_back(k);
  }
  checkKills(sequence, run, kills);
}

INSTANTIATE_TEST_SUITE_P(StorageCrash, FixedSequence, testing::Range(0, kFixedShards));
INSTANTIATE_TEST_SUITE_P(StorageCrash, RandomSequence, testing::Range(0, kRandomShards));

}  // namespace
