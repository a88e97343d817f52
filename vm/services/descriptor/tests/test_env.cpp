// Test support of the descriptor service (see test_env.h).
#include "vm/services/descriptor/tests/test_env.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "ce/substrate/low_memory.h"
#include "vm/services/descriptor/descriptor_env.h"

namespace {

int32_t gLive = 0;
int32_t gAllowed = -1;

void* allocate(uint32_t size, OamsHandle) {
  if (gAllowed == 0) return nullptr;
  if (gAllowed > 0) --gAllowed;
  void* block = vsLow_alloc(size);
  if (block != nullptr) ++gLive;
  return block;
}

void release(void* block, OamsHandle) {
  --gLive;
  vsLow_free(block);
}

}  // namespace

TestEnv::TestEnv() {
  gLive = 0;
  gAllowed = -1;
  int32_t error = 1;
  handle_ = vsDescriptor_createEnv(allocate, release, &error);
  EXPECT_EQ(error, kOamsOk);
  EXPECT_NE(handle_, kOamsInvalidHandle);
}

TestEnv::~TestEnv() {
  gAllowed = -1;
  EXPECT_EQ(OamsEnvFinalize(handle_), kOamsOk);
  EXPECT_EQ(gLive, 0) << "blocks of the environment still allocated";
}

int32_t TestEnv::live() { return gLive; }

void TestEnv::allowAllocations(int32_t count) { gAllowed = count; }

LowCopy::LowCopy(const std::string& bytes) : size_(static_cast<int32_t>(bytes.size())) {
  data_ = static_cast<uint8_t*>(vsLow_alloc(bytes.size() + 1));
  std::memcpy(data_, bytes.data(), bytes.size());
}

LowCopy::LowCopy(const std::vector<uint8_t>& bytes) : size_(static_cast<int32_t>(bytes.size())) {
  data_ = static_cast<uint8_t*>(vsLow_alloc(bytes.size() + 1));
  if (!bytes.empty()) std::memcpy(data_, bytes.data(), bytes.size());
}

LowCopy::~LowCopy() { vsLow_free(data_); }

std::vector<uint8_t> readTestFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << "cannot read " << path;
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
