#include "ce/fs/testhooks.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>

#include "ce/base/lasterror.h"
#include "ce/fs/dirops.h"
#include "ce/fs/file.h"
#include "ce/testing/devroot.h"

namespace {

constexpr int kMutations = 7;

// Seven mutating calls, one of each kind; the handle open is not one.
void mutate() {
  HANDLE f = CreateFileW(u"\\Temp\\a", GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) _exit(3);
  DWORD n = 0;
  bool ok = WriteFile(f, "abcdefgh", 8, &n, nullptr);  // 1
  ok = ok && SetFilePointer(f, 6, nullptr, FILE_BEGIN) == 6;
  ok = ok && SetEndOfFile(f);      // 2
  ok = ok && FlushFileBuffers(f);  // 3
  CloseHandle(f);
  ok = ok && CreateDirectoryW(u"\\Temp\\d", nullptr);                                // 4
  ok = ok && MoveFileExW(u"\\Temp\\a", u"\\Temp\\d\\a", MOVEFILE_REPLACE_EXISTING);  // 5
  ok = ok && MoveFileW(u"\\Temp\\d\\a", u"\\Temp\\d\\b");                            // 6
  ok = ok && DeleteFileW(u"\\Temp\\d\\b");                                           // 7
  if (!ok) _exit(4);
}

std::string state(const CeDeviceRoot& root) {
  struct stat st;
  std::string out;
  for (const char* name : {"Temp/a", "Temp/d", "Temp/d/a", "Temp/d/b"}) {
    if (stat(root.host(name).c_str(), &st) != 0) continue;
    out += name;
    if (S_ISREG(st.st_mode)) {
      std::ifstream in(root.host(name), std::ios::binary);
      out += "=" + std::string(std::istreambuf_iterator<char>(in), {});
    }
    out += " ";
  }
  return out;
}

// A skipped flush still succeeds and counts; an invalid handle still fails.
TEST(CeFsTestHooks, CountsMutatingCallsWithAndWithoutFlushes) {
  for (const bool skipped : {false, true}) {
    CeDeviceRoot root;
    vsCeFs_setFlushSkipped(skipped);
    const int64_t before = vsCeFs_mutationCount();
    mutate();
    EXPECT_EQ(vsCeFs_mutationCount() - before, kMutations) << "flush skipped " << skipped;
    EXPECT_EQ(state(root), "Temp/d ") << "flush skipped " << skipped;
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(FlushFileBuffers(INVALID_HANDLE_VALUE)) << "flush skipped " << skipped;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE)) << "flush skipped " << skipped;
    vsCeFs_setFlushSkipped(false);
  }
}

TEST(CeFsTestHooks, KillsInTheChosenCall) {
  struct Case {
    int call;  // the fatal call, counted from 1; 0 none
    const char* state;
  };
  const Case cases[] = {
      {1, "Temp/a=abcd "},      // half of the write
      {2, "Temp/a=abcdefgh "},  // before the truncation
      {3, "Temp/a=abcdef "},    // before the flush
      {4, "Temp/a=abcdef "},    // before the directory
      {5, "Temp/a=abcdef Temp/d "},
      {6, "Temp/d Temp/d/a=abcdef "},
      {7, "Temp/d Temp/d/b=abcdef "},
      {0, "Temp/d "},
  };
  for (const Case& c : cases) {
    CeDeviceRoot root;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      if (c.call != 0) vsCeFs_setKillAtMutation(vsCeFs_mutationCount() + c.call);
      mutate();
      _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    if (c.call == 0) {
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
          << "call " << c.call << ": status " << status;
    } else {
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
          << "call " << c.call << ": status " << status;
    }
    EXPECT_EQ(state(root), c.state) << "call " << c.call;
  }
}

}  // namespace
