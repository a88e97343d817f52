#include "vm/core/startup/options.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "vm/core/startup/vm_flags.h"

namespace {

class Options : public testing::Test {
 protected:
  void SetUp() override { saved_ = vsVmFlags(); }
  void TearDown() override {
    vsVmFlags() = saved_;
    vsOptions_clearClassPath();
  }

  // Parses the words as the VM's arguments from the first one.
  static int32_t parse(std::vector<std::string> words) {
    std::vector<char*> args;
    for (std::string& w : words)
      args.push_back(w.data());
    return vsOptions_parse(static_cast<int32_t>(args.size()), args.data());
  }

  static int32_t flag(const char* name) { return *vsFlags_find(name)->value; }

 private:
  VmFlagValues saved_;
};

struct FlagCase {
  const char* option;
  int32_t consumed;
  const char* flagName;  // null: no flag to check
  int32_t value;
};

TEST_F(Options, FlagForms) {
  const FlagCase cases[] = {
      {"+UseVerifier", 1, "UseVerifier", 1},
      {"-UseVerifier", 1, "UseVerifier", 0},
      {"-UseVerifier=x", 1, "UseVerifier", 0},
      {"+HeapCapacity", 1, "HeapCapacity", 1},
      {"=UseVerifier1", -1, "UseVerifier", 1},
      {"=HeapCapacityx", -1, "HeapCapacity", 1048576},
      {"=HeapCapacity12x", 1, "HeapCapacity", 12},
      {"=HeapCapacity-5", 1, "HeapCapacity", -5},
      {"=HeapCapacity12k5", 1, "HeapCapacity", 12288},
      {"=HeapCapacity2M", 1, "HeapCapacity", 2097152},
      {"=HeapCapacity64k", 1, "HeapCapacity", 65536},
      {"=JITControl_Flags5", -1, "JITControl_Flags", 0},
      {"+JITControl_Flags", -1, "JITControl_Flags", 0},
      {"=RequisiteFreeMemoryToCompile5", -1, "RequisiteFreeMemoryToCompile", 65536},
      {"+RequisiteFreeMemoryToCompile", -1, "RequisiteFreeMemoryToCompile", 65536},
      {"+NoSuchFlag", -1, nullptr, 0},
      {"-", -1, nullptr, 0},
      {"-7", -1, nullptr, 0},
      {"-int", 1, "UseCompiler", 0},
      {"Main", 0, nullptr, 0},
  };
  for (const FlagCase& c : cases) {
    SetUp();
    EXPECT_EQ(parse({c.option}), c.consumed) << c.option;
    if (c.flagName != nullptr) {
      EXPECT_EQ(flag(c.flagName), c.value) << c.option;
    }
    TearDown();
  }
}

TEST_F(Options, CompSetsBothCompilerFlags) {
  EXPECT_EQ(parse({"-comp"}), 1);
  EXPECT_EQ(flag("UseCompiler"), 1);
  EXPECT_EQ(flag("MixedMode"), 0);
}

TEST_F(Options, ClassPathNeedsItsValue) {
  EXPECT_EQ(parse({"-cp"}), -1);
  EXPECT_EQ(vsOptions_classPath(), nullptr);
  EXPECT_EQ(parse({"-cp", "a.jar;b.jar", "Main"}), 2);
  EXPECT_STREQ(vsOptions_classPath(), "a.jar;b.jar");
  EXPECT_EQ(parse({"-classpath", "c.jar"}), 2);
  EXPECT_STREQ(vsOptions_classPath(), "c.jar");
  EXPECT_EQ(parse({"-cp", std::string(1025, 'x')}), -1);
  vsOptions_clearClassPath();
  EXPECT_EQ(vsOptions_classPath(), nullptr);
}

TEST_F(Options, PropertyOptionsConsumeOneAndLeaveTheArgumentsAlone) {
  for (const char* text : {"-Dkey=value", "-Dkey", "-D", "-D=v", "-Da=b=c"}) {
    char arg[32];
    std::strcpy(arg, text);
    char* args[] = {arg, nullptr};
    EXPECT_EQ(vsOptions_parse(1, args), 1) << text;
    EXPECT_EQ(std::memcmp(arg, text, std::strlen(text) + 1), 0) << text;
  }
  EXPECT_EQ(parse({"-D" + std::string(256, 'n') + "=v"}), -1);
  EXPECT_EQ(parse({"-Dn=" + std::string(256, 'v')}), -1);
  EXPECT_EQ(parse({"-D" + std::string(255, 'n') + "=" + std::string(255, 'v')}), 1);
}

TEST_F(Options, TextsLongerThan255AreRefused) {
  EXPECT_EQ(parse({"+" + std::string(256, 'a')}), -1);
  EXPECT_EQ(parse({"=HeapCapacity" + std::string(256, '1')}), -1);
  EXPECT_EQ(flag("HeapCapacity"), 1048576);
  EXPECT_EQ(parse({"=HeapCapacity" + std::string(254, '0') + "7"}), 1);
  EXPECT_EQ(flag("HeapCapacity"), 7);
}

TEST_F(Options, NoArgumentsIsNotAnOption) { EXPECT_EQ(vsOptions_parse(0, nullptr), 0); }

struct SizeCase {
  const char* text;
  int32_t ok;
  int32_t value;
};

TEST(OptionSize, Values) {
  const SizeCase cases[] = {
      {"12", 1, 12},   {"-5", 1, -5},          {"7K", 1, 7168},  {"1m", 1, 1048576},
      {"12k5", 1, 12288}, {"k", 0, 0},         {"--5", 0, 0},    {"5-", 0, 0},
      {"-", 0, 0},     {"", 0, 0},             {"3x", 0, 0},     {"4294967295", 1, -1},
  };
  for (const SizeCase& c : cases) {
    int32_t value = 0;
    EXPECT_EQ(vsOptions_parseSize(c.text, &value), c.ok) << c.text;
    if (c.ok == 1) {
      EXPECT_EQ(value, c.value) << c.text;
    }
  }
}

struct RangeCase {
  int32_t (*setter)(int32_t);
  int32_t n;
  int32_t result;
};

TEST_F(Options, CompilerSettersCheckTheirRanges) {
  const RangeCase cases[] = {
      {vsJVM_setInterpretationLogSize, -1, -1}, {vsJVM_setInterpretationLogSize, 0, 0},
      {vsJVM_setInterpretationLogSize, 16, 0},  {vsJVM_setInterpretationLogSize, 17, -1},
      {vsJVM_setMaxMethodToCompile, -1, -1},    {vsJVM_setMaxMethodToCompile, 0, 0},
      {vsJVM_setMaxMethodToCompile, 6000, 0},   {vsJVM_setMinMethodToCompile, -1, -1},
      {vsJVM_setMinMethodToCompile, 0, 0},      {vsJVM_setMinMethodToCompile, 1000, 0},
  };
  for (const RangeCase& c : cases)
    EXPECT_EQ(c.setter(c.n), c.result) << c.n;
  EXPECT_EQ(flag("InterpretationLogSize"), 16);
  EXPECT_EQ(flag("MaxMethodToCompile"), 6000);
  EXPECT_EQ(flag("MinMethodToCompile"), 1000);
}

TEST_F(Options, FlagTableInOrderWithItsTypes) {
  const VmFlag* table = vsFlags_table();
  int n = 0;
  while (table[n].name != nullptr)
    ++n;
  EXPECT_EQ(n, kVmFlagCount);
  EXPECT_STREQ(table[0].name, "HeapCapacity");
  EXPECT_STREQ(table[kVmFlagCount - 1].name, "InterpretationLogSize");
  EXPECT_STREQ(vsFlags_find("RequisiteFreeMemoryToCompile")->type, "size_t");
  EXPECT_STREQ(vsFlags_find("UseVerifier")->type, "bool");
  EXPECT_EQ(vsFlags_find("useVerifier"), nullptr);
  EXPECT_EQ(flag("UseCompiler"), 0);
  EXPECT_EQ(vsFlags_setInt("UseVerifier", 5), 0);
  EXPECT_EQ(vsFlags_setBool("StackSize", 1), 1);
  EXPECT_EQ(flag("StackSize"), 1);
}

}  // namespace
