// Test support of the descriptor service: a callback environment over low
// memory that counts its live blocks and can be told to refuse allocations,
// and low copies of test inputs (records store addresses as 32-bit words).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vm/services/descriptor/descriptor_codes.h"

class TestEnv {
 public:
  TestEnv();
  ~TestEnv();
  TestEnv(const TestEnv&) = delete;
  TestEnv& operator=(const TestEnv&) = delete;

  OamsHandle handle() const { return handle_; }
  // Blocks allocated and not yet released (the record included).
  static int32_t live();
  // Allocations left before every further one fails; -1 for no limit.
  static void allowAllocations(int32_t count);

 private:
  OamsHandle handle_;
};

// A copy of bytes in low memory, released with the object.
class LowCopy {
 public:
  explicit LowCopy(const std::string& bytes);
  explicit LowCopy(const std::vector<uint8_t>& bytes);
  ~LowCopy();
  LowCopy(const LowCopy&) = delete;
  LowCopy& operator=(const LowCopy&) = delete;
  uint8_t* data() const { return data_; }
  char* text() const { return reinterpret_cast<char*>(data_); }
  int32_t size() const { return size_; }

 private:
  uint8_t* data_;
  int32_t size_;
};

// The whole of a file; fails the test when it cannot be read.
std::vector<uint8_t> readTestFile(const std::string& path);
