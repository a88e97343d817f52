// The compatibility-test agent: where it finds the test server, how it
// reads the descriptor's values, and its fetches over the test port's
// HTTP stand-ins from a loopback server (tck_server.py, started per case).
#include "vm/services/descriptor/tck_agent.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ce/substrate/low_memory.h"
#include "port/vm_sync.h"
#include "tools/testport/test_port.h"
#include "vm/core/loader/tests/zip_builder.h"
#include "vm/services/descriptor/class_choice.h"
#include "vm/services/descriptor/tck_transfer.h"
#include "vm/services/descriptor/tests/test_env.h"

namespace {

constexpr char kMidpAgent[] = "jp.co.orvex.midp.tck.TCK";
constexpr int32_t kJarBytes = 5000;  // tck_server.py's JAR

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// The server of one case: its port, then the requests it logged.
class TckServer {
 public:
  explicit TckServer(const char* scenario) {
    const std::string command = std::string(VS_PYTHON) + " " + VS_TCK_SERVER + " " + scenario;
    pipe_ = popen(command.c_str(), "r");
    if (pipe_ == nullptr) return;
    char line[128];
    if (fgets(line, sizeof line, pipe_) != nullptr) std::sscanf(line, "port %d", &port_);
  }
  ~TckServer() { finish(); }
  int port() const { return port_; }
  // Waits for the server's end: the paths it was asked for, in order.
  std::vector<std::string> finish() {
    if (pipe_ != nullptr) {
      char line[512];
      while (fgets(line, sizeof line, pipe_) != nullptr) {
        std::string text(line);
        if (!text.empty() && text.back() == '\n') text.pop_back();
        if (text.rfind("request ", 0) == 0) requests_.push_back(text.substr(8));
      }
      pclose(pipe_);
      pipe_ = nullptr;
    }
    return requests_;
  }

 private:
  FILE* pipe_ = nullptr;
  int port_ = 0;
  std::vector<std::string> requests_;
};

class TckAgentTest : public ::testing::Test {
 protected:
  static constexpr int32_t kJarSize = 8192;
  static constexpr int32_t kDescriptorSize = 4096;
  static constexpr int32_t kUrlSize = 256;
  static constexpr int32_t kClassSize = 128;
  static constexpr int32_t kWorkSize = 64 * 1024;
  static constexpr int32_t kJadSize = 4096;

  void SetUp() override {
    ASSERT_TRUE(VmSyncCreate());
    memory_ = static_cast<uint8_t*>(vsLow_alloc(kTotal));
    ASSERT_NE(memory_, nullptr);
    std::memset(memory_, 0, kTotal);
    uint8_t* next = memory_;
    auto take = [&next](int32_t bytes) {
      uint8_t* block = next;
      next += bytes;
      return block;
    };
    info_ = reinterpret_cast<VsTckInfo*>(take(sizeof(VsTckInfo)));
    info_->jarBuffer = take(kJarSize);
    info_->jarSize = kJarSize;
    info_->descriptorBuffer = take(kDescriptorSize);
    info_->descriptorSize = kDescriptorSize;
    info_->jarUrlBuffer = reinterpret_cast<char*>(take(kUrlSize));
    info_->jarUrlSize = kUrlSize;
    info_->classNameBuffer = reinterpret_cast<char*>(take(kClassSize));
    info_->classNameSize = kClassSize;
    app_ = reinterpret_cast<JKT_MIDP_Application*>(take(sizeof(JKT_MIDP_Application)));
    app_->tckInfo = info_;
    jad_ = reinterpret_cast<char*>(take(kJadSize));
    className_ = reinterpret_cast<char*>(take(kClassSize));
    work_ = take(kWorkSize);
  }
  void TearDown() override {
    vsLow_free(memory_);
    VmSyncDelete();
  }

  void setJad(const std::string& text) {
    ASSERT_LT(text.size(), static_cast<size_t>(kJadSize));
    std::memcpy(jad_, text.data(), text.size());
    app_->jadSize = static_cast<int32_t>(text.size());
    app_->jadAddr = reinterpret_cast<const uint8_t*>(jad_);
  }
  void setClassName(const char* name) {
    std::strcpy(className_, name);
    app_->className = className_;
    app_->classNameLen = static_cast<int32_t>(std::strlen(name));
  }
  int32_t setUp(VsTckAgent* agent, std::vector<std::string>* args, const char* mainClass = kMidpAgent) {
    argv_.clear();
    for (std::string& a : *args) argv_.push_back(a.data());
    int32_t argc = static_cast<int32_t>(argv_.size());
    const int32_t result = vsTck_setUp(agent, app_, &argc, argv_.data(), kWorkSize, work_, mainClass);
    std::vector<std::string> left(argv_.begin(), argv_.begin() + argc);
    *args = left;
    return result;
  }

  static constexpr int32_t kTotal =
      64 + kJarSize + kDescriptorSize + kUrlSize + kClassSize + 64 + kJadSize + kClassSize + kWorkSize;
  uint8_t* memory_ = nullptr;
  VsTckInfo* info_ = nullptr;
  JKT_MIDP_Application* app_ = nullptr;
  char* jad_ = nullptr;
  char* className_ = nullptr;
  uint8_t* work_ = nullptr;
  std::vector<char*> argv_;
};

// ---- Where the server is ----

struct ServerCase {
  const char* name;
  std::string jad;  // empty: the record has no JAD
  std::vector<std::string> args;
  const char* mainClass;
  int32_t result;
  std::string server;     // the agent's server text when set up
  std::string traceLine;  // one line the set-up writes (empty: none)
  std::vector<std::string> argsLeft;
};

TEST_F(TckAgentTest, FindsTheServerFromJadAndArguments) {
  const std::string unknown = "#### TCK host is unknown. Check \"microVostel-TckServer\" in JAD\n";
  const std::string key = "microVostel-TckServer: ";
  const std::string url63 = "http://h/" + std::string(53, 'a') + "/";
  const std::string url64 = "http://h/" + std::string(54, 'a') + "/";
  const std::string host63 = "http://" + std::string(58, 'h') + ":1/";
  const std::string host64 = "http://" + std::string(64, 'h') + "/";
  const std::string host59 = "http://" + std::string(59, 'h') + "/";
  const std::string host58 = "http://" + std::string(58, 'h') + "/";
  const std::vector<ServerCase> cases = {
      {"JAD key",
       "microVostel-TckServer: http://127.0.0.1:1234/\n",
       {},
       kMidpAgent,
       1,
       "127.0.0.1:1234",
       "#### TCK host is 'http://127.0.0.1:1234/'\n",
       {}},
      {"https key without port",
       "microVostel-TckServer: https://tck.example/\n",
       {},
       kMidpAgent,
       1,
       "tck.example:8088",
       "#### TCK host is 'https://tck.example/'\n",
       {}},
      {"key without trailing slash",
       "microVostel-TckServer: http://h:1/x\n",
       {},
       kMidpAgent,
       1,
       "localhost:8088",
       unknown,
       {}},
      {"key ending in //",
       "microVostel-TckServer: http://h:1//\n",
       {},
       kMidpAgent,
       1,
       "localhost:8088",
       unknown,
       {}},
      {"key of another scheme",
       "microVostel-TckServer: ftp://h:1/\n",
       {},
       kMidpAgent,
       1,
       "localhost:8088",
       unknown,
       {}},
      {"key of 63 bytes",
       key + url63 + "\n",
       {},
       kMidpAgent,
       1,
       "h:8088",
       ("#### TCK host is '" + url63 + "'\n"),
       {}},
      {"key of 64 bytes", key + url64 + "\n", {}, kMidpAgent, 1, "localhost:8088", unknown, {}},
      {"no JAD", "", {}, kMidpAgent, 1, "localhost:8088", unknown, {}},
      {"-tck_host replaces the key",
       "microVostel-TckServer: http://127.0.0.1:1234/\n",
       {"-a", "-tck_host", "http://h:99/", "-b"},
       kMidpAgent,
       1,
       "h:99",
       "#### TCK host is 'http://127.0.0.1:1234/'\n",
       {"-a", "-b"}},
      {"-tck_host without port", "", {"-tck_host", "http://h/"}, kMidpAgent, 1, "h:8088", unknown, {}},
      {"-tck_host ending in a colon", "", {"-tck_host", "http://h:/"}, kMidpAgent, 1, "h:", unknown, {}},
      {"-tck_host without scheme", "", {"-tck_host", "h:7"}, kMidpAgent, 1, "h:7", unknown, {}},
      {"-tck_host as last argument",
       "",
       {"-a", "-tck_host"},
       kMidpAgent,
       1,
       "localhost:8088",
       "#### TCK host get failed.\n",
       {"-a", "-tck_host"}},
      {"host of 63 bytes",
       "",
       {"-tck_host", host63},
       kMidpAgent,
       1,
       (std::string(58, 'h') + ":1"),
       unknown,
       {}},
      {"host of 64 bytes", "", {"-tck_host", host64}, kMidpAgent, -1, "", "#### TCK AGENT INIT FAILED\n", {}},
      {"host of 58 bytes and the default port",
       "",
       {"-tck_host", host58},
       kMidpAgent,
       1,
       (std::string(58, 'h') + ":8088"),
       unknown,
       {}},
      {"host of 59 bytes and the default port",
       "",
       {"-tck_host", host59},
       kMidpAgent,
       -1,
       "",
       "#### TCK AGENT INIT FAILED\n",
       {}},
      {"not an agent class",
       "microVostel-TckServer: http://127.0.0.1:1234/\n",
       {},
       "tests.Hello",
       0,
       "",
       "",
       {}},
  };
  for (const ServerCase& c : cases) {
    SCOPED_TRACE(c.name);
    app_->jadSize = 0;
    app_->jadAddr = nullptr;
    if (!c.jad.empty()) setJad(c.jad);
    std::vector<std::string> args = c.args;
    VsTckAgent agent = {};
    vsTestPort_startCapture();
    const int32_t result = setUp(&agent, &args, c.mainClass);
    const TestPortCapture out = vsTestPort_stopCapture();
    EXPECT_EQ(result, c.result);
    if (c.result == 1) {
      EXPECT_EQ(agent.setUp, 1);
      EXPECT_EQ(agent.kind, kVsTckKindMidp);
      EXPECT_EQ(std::string(agent.server.get()), c.server);
      if (!c.args.empty()) {
        EXPECT_EQ(args, c.argsLeft);
      }
    }
    if (!c.traceLine.empty()) {
      EXPECT_NE(out.trace.find(c.traceLine), std::string::npos) << out.trace;
    } else {
      EXPECT_EQ(out.trace, "");
    }
  }
}

TEST_F(TckAgentTest, KindAndKeysFollowTheAgentClass) {
  struct KindCase {
    const char* mainClass;
    int32_t kind;
    const char* request;
    const char* mainKey;
    const char* urlKey;
  };
  const KindCase cases[] = {
      {"jp.co.orvex.cldc.tck.TCK", kVsTckKindCldc, "getNextApp", "Main-Class", "JAR-File-URL"},
      {"jp.co.orvex.midp.tck.TCK", kVsTckKindMidp, "getNextApp.jad", "MIDlet-1", "MIDlet-Jar-URL"},
      {"jp.co.orvex.doja.tck.TCK", kVsTckKindCldc, "getNextApp", "Main-Class", "JAR-File-URL"},
  };
  for (const KindCase& c : cases) {
    SCOPED_TRACE(c.mainClass);
    std::vector<std::string> args;
    VsTckAgent agent = {};
    vsTestPort_startCapture();
    ASSERT_EQ(setUp(&agent, &args, c.mainClass), 1);
    EXPECT_EQ(vsTck_setKeys(&agent), 0);
    vsTestPort_stopCapture();
    EXPECT_EQ(agent.kind, c.kind);
    EXPECT_STREQ(vsTck_getRequestName(&agent, 0), c.request);
    EXPECT_STREQ(vsTck_getKey(&agent, kVsTckKeyMainClass), c.mainKey);
    EXPECT_STREQ(vsTck_getKey(&agent, kVsTckKeyJarUrl), c.urlKey);
    EXPECT_EQ(vsTck_getKey(&agent, 0), nullptr);
    EXPECT_EQ(agent.jarBuffer.raw, info_->jarBuffer.raw);
    EXPECT_EQ(agent.classNameSize, kClassSize);
  }
  VsTckAgent agent = {};
  vsTestPort_startCapture();
  EXPECT_EQ(vsTck_getKey(&agent, 7), nullptr);
  EXPECT_EQ(vsTck_setKey(&agent, -1, "x"), nullptr);
  EXPECT_EQ(vsTck_getRequestName(&agent, 1), nullptr);
  EXPECT_EQ(vsTck_setRequestName(&agent, 1, "x"), nullptr);
  const TestPortCapture out = vsTestPort_stopCapture();
  EXPECT_EQ(out.trace,
            "vsTck: get key index error.\nvsTck: set key index error.\n"
            "vsTck: get key index error.\nvsTck: set key index error.\n");
}

// ---- Values of the descriptor ----

TEST_F(TckAgentTest, ExtractsValuesAtLineStarts) {
  struct ExtractCase {
    const char* name;
    int32_t kind;
    int32_t index;
    const char* text;
    int32_t size;
    int32_t result;
    const char* value;
  };
  const ExtractCase cases[] = {
      {"MIDlet-1's third field", kVsTckKindMidp, kVsTckKeyMainClass, "MIDlet-1: Name, icon.png, a.B\n", 64, 0,
       "a.B"},
      {"empty icon field", kVsTckKindMidp, kVsTckKeyMainClass, "MIDlet-1: Name, , a.B\r\n", 64, 0, "a.B"},
      {"MIDlet-10 before MIDlet-1", kVsTckKindMidp, kVsTckKeyMainClass,
       "MIDlet-10: W, , wrong.C\nMIDlet-1: R, , right.C\n", 64, 0, "right.C"},
      {"X-MIDlet-1 before MIDlet-1", kVsTckKindMidp, kVsTckKeyMainClass,
       "X-MIDlet-1: W, , wrong.C\nMIDlet-1: R, , right.C", 64, 0, "right.C"},
      {"key inside a value", kVsTckKindMidp, kVsTckKeyJarUrl, "A: MIDlet-Jar-URL: x\nMIDlet-Jar-URL: y\n", 64,
       0, "y"},
      {"blanks before the colon", kVsTckKindMidp, kVsTckKeyJarUrl, "MIDlet-Jar-URL \t: http://h/a.jar\n", 64,
       0, "http://h/a.jar"},
      {"CR line ends", kVsTckKindMidp, kVsTckKeyJarUrl, "A: 1\rMIDlet-Jar-URL: u\r", 64, 0, "u"},
      {"value cut to the buffer", kVsTckKindMidp, kVsTckKeyJarUrl, "MIDlet-Jar-URL: abcdef\n", 4, 0, "abc"},
      {"value at the end of the text", kVsTckKindCldc, kVsTckKeyMainClass, "Main-Class: m.Main", 64, 0,
       "m.Main"},
      {"CLDC key takes the whole value", kVsTckKindCldc, kVsTckKeyMainClass, "Main-Class: a, b, c\n", 64, 0,
       "a, b, c"},
      {"missing key", kVsTckKindMidp, kVsTckKeyJarUrl, "MIDlet-Jar-Size: 1\n", 64, -1, nullptr},
      {"key without colon", kVsTckKindMidp, kVsTckKeyJarUrl, "MIDlet-Jar-URL x\n", 64, -1, nullptr},
      {"MIDlet-1 with one comma", kVsTckKindMidp, kVsTckKeyMainClass, "MIDlet-1: Name, icon\nX: a, b\n", 64,
       -1, nullptr},
      {"no room", kVsTckKindMidp, kVsTckKeyJarUrl, "MIDlet-Jar-URL: u\n", 0, -1, nullptr},
  };
  for (const ExtractCase& c : cases) {
    SCOPED_TRACE(c.name);
    VsTckAgent agent = {};
    agent.kind = c.kind;
    vsTck_setKeys(&agent);
    char out[64] = "unchanged";
    EXPECT_EQ(
        vsTck_extractValue(&agent, c.index, c.text, static_cast<int32_t>(std::strlen(c.text)), out, c.size),
        c.result);
    if (c.value != nullptr) {
      EXPECT_STREQ(out, c.value);
    }
  }
  // The text's length bounds the scan: the key past it is not found.
  VsTckAgent agent = {};
  agent.kind = kVsTckKindMidp;
  vsTck_setKeys(&agent);
  char out[16];
  const char text[] = "A: 1\nMIDlet-Jar-URL: u\n";
  EXPECT_EQ(vsTck_extractValue(&agent, kVsTckKeyJarUrl, text, 8, out, sizeof out), -1);
  EXPECT_EQ(vsTck_extractValue(&agent, kVsTckKeyJarUrl, nullptr, 8, out, sizeof out), -1);
}

// ---- The class of a record without one ----

LowCopy manifestJar(const std::string& manifest) {
  return LowCopy(buildZip(
      {{"META-INF/MANIFEST.MF", {manifest.begin(), manifest.end()}, true}, {"a/B.class", {1, 2, 3}, false}}));
}

TEST_F(TckAgentTest, ChoosesTheClassFromJadThenManifest) {
  struct ChoiceCase {
    const char* name;
    const char* manifest;  // null: an archive without manifest
    const char* jad;       // null: no JAD
    int32_t areaSize;
    int32_t result;
    const char* className;
  };
  const int32_t area = kWorkSize;
  const char* const selector = kVsMidletSelectorClass;
  const ChoiceCase cases[] = {
      {"JAD's MIDlet-1 first", "MIDlet-1: M, , m.Main\n", "MIDlet-1: J, i.png, j.Main\n", area, 6, "j.Main"},
      {"manifest without JAD", "MIDlet-1: M, , m.Main\n", nullptr, area, 6, "m.Main"},
      {"JAD that does not parse", "MIDlet-1: M, , m.Main\n", "no colon here\n", area, 6, "m.Main"},
      {"blanks around the field", "MIDlet-1: M,,  \tm.Main \n", nullptr, area, 6, "m.Main"},
      {"MIDlet-2 asks for the selector", "MIDlet-1: M, , m.Main\nMIDlet-2: N, , n.Main\n", nullptr, area, 40,
       selector},
      {"MIDlet-2 in the JAD", "MIDlet-1: M, , m.Main\n", "MIDlet-2: N, , n.Main\n", area, 40, selector},
      {"no MIDlet-1", "MIDlet-Name: M\n", nullptr, area, 40, selector},
      {"MIDlet-1 without class field", "MIDlet-1: M, icon\n", nullptr, area, 40, selector},
      {"empty class field", "MIDlet-1: M, , \n", nullptr, area, -1, ""},
      {"archive without manifest", nullptr, nullptr, area, -1, ""},
      {"area of 1024 bytes", "MIDlet-1: M, , m.Main\n", nullptr, 1024, -10, nullptr},
  };
  for (const ChoiceCase& c : cases) {
    SCOPED_TRACE(c.name);
    const LowCopy jar = c.manifest != nullptr ? manifestJar(c.manifest)
                                              : LowCopy(buildZip({{"a/B.class", {1, 2, 3}, false}}));
    app_->jarSize = jar.size();
    app_->jarAddr = jar.data();
    app_->jadSize = 0;
    app_->jadAddr = nullptr;
    if (c.jad != nullptr) setJad(c.jad);
    char* name = reinterpret_cast<char*>(work_);
    std::strcpy(name, "unchanged");
    EXPECT_EQ(vsApp_chooseClassName(app_, name, c.areaSize), c.result);
    if (c.className != nullptr) {
      EXPECT_STREQ(name, c.className);
    }
  }
}

// ---- Fetching from the loopback server ----

enum class Fetch { All, Descriptor, Installer };

struct FetchCase {
  const char* name;
  const char* scenario;
  const char* jad;  // "PORT" stands for the server's port
  std::vector<std::string> args;
  Fetch fetch;
  int32_t result;
  std::vector<std::string> traceLines;
  std::vector<std::string> requests;
  const char* className;  // null: not checked
  int32_t jarLength;      // -1: not checked
};

TEST_F(TckAgentTest, FetchesFromTheTestServer) {
  const std::string keyJad =
      "MIDlet-1: Agent, , jp.co.orvex.midp.tck.TCK\nmicroVostel-TckServer: http://127.0.0.1:PORT/\n";
  const std::vector<std::string> both = {"/test/getNextApp.jad", "/test/case.jar"};
  const std::vector<FetchCase> cases = {
      {"JAD then JAR",
       "jad",
       keyJad.c_str(),
       {},
       Fetch::All,
       200,
       {"#### TCK host is 'http://127.0.0.1:PORT/'\n", "vsTck: download JAD\n",
        "vsTck: download a Test Case JAR.\n", "JkHttpOpen(http://127.0.0.1:PORT/test/getNextApp.jad, "},
       both,
       "tests.TckCase",
       kJarBytes},
      {"host from -tck_host",
       "jad",
       "MIDlet-1: Agent, , jp.co.orvex.midp.tck.TCK\n",
       {"-tck_host", "http://127.0.0.1:PORT/"},
       Fetch::All,
       200,
       {"#### TCK host is unknown. Check \"microVostel-TckServer\" in JAD\n", "vsTck: download JAD\n",
        "vsTck: download a Test Case JAR.\n"},
       both,
       "tests.TckCase",
       kJarBytes},
      {"503 twice, then 200",
       "busy",
       keyJad.c_str(),
       {},
       Fetch::All,
       200,
       {"vsTck: download a Test Case JAR.\n"},
       {"/test/getNextApp.jad", "/test/getNextApp.jad", "/test/getNextApp.jad", "/test/case.jar"},
       "tests.TckCase",
       kJarBytes},
      {"header without blank line",
       "noblank",
       keyJad.c_str(),
       {},
       Fetch::All,
       -2,
       {"[tck_agent] Failed to receive HTTP response header.\n", "JkHttpClose("},
       {"/test/getNextApp.jad"},
       nullptr,
       -1},
      {"body larger than the buffer",
       "big",
       keyJad.c_str(),
       {},
       Fetch::All,
       -2,
       {"[tck_agent] Received response body size is illegal.\n", ", contentLength = 100000, headerSize = "},
       {"/test/getNextApp.jad"},
       nullptr,
       -1},
      {"MIDlet-10 before MIDlet-1",
       "order",
       keyJad.c_str(),
       {},
       Fetch::Descriptor,
       200,
       {"vsTck: download JAD\n"},
       {"/test/getNextApp.jad"},
       "tests.TckCase",
       -1},
      {"status other than 200",
       "notfound",
       keyJad.c_str(),
       {},
       Fetch::Descriptor,
       -3,
       {},
       {"/test/getNextApp.jad"},
       nullptr,
       -1},
      {"installer from a host thread",
       "order",
       keyJad.c_str(),
       {},
       Fetch::Installer,
       0,  // the descriptor's length
       {"=== service API trace: AmTckGetDescriptor()\n", "vsTck: download JAD\n"},
       {"/test/getNextApp.jad"},
       "tests.TckCase",
       -1},
  };
  for (const FetchCase& c : cases) {
    SCOPED_TRACE(c.name);
    TckServer server(c.scenario);
    ASSERT_GT(server.port(), 0);
    const std::string port = std::to_string(server.port());
    setJad(replaceAll(c.jad, "PORT", port));
    std::memset(info_->classNameBuffer.get(), 0, kClassSize);
    info_->descriptorLength = -1;
    int32_t result = 0;
    int32_t descriptorLength = -1;
    VsTckAgent agent = {};
    vsTestPort_startCapture();
    if (c.fetch == Fetch::Installer) {
      // No class in the record: the JAD's "MIDlet-1" names the agent.
      const LowCopy jar = manifestJar("MIDlet-1: Hello, , tests.Hello\n");
      app_->jarSize = jar.size();
      app_->jarAddr = jar.data();
      app_->className = nullptr;
      app_->classNameLen = 0;
      result = AmTckGetDescriptor(kWorkSize, work_, app_);
      descriptorLength = info_->descriptorLength;
    } else {
      std::vector<std::string> args;
      for (const std::string& a : c.args) args.push_back(replaceAll(a, "PORT", port));
      if (setUp(&agent, &args, kMidpAgent) == 1) {
        vsTck_setKeys(&agent);
        result = c.fetch == Fetch::All ? vsTck_fetchAll(&agent) : vsTck_fetchDescriptor(&agent);
        descriptorLength = agent.descriptorLength;
      }
    }
    const TestPortCapture out = vsTestPort_stopCapture();
    EXPECT_EQ(server.finish(), c.requests);
    if (c.fetch == Fetch::Installer) {
      EXPECT_GT(result, 0);
      EXPECT_EQ(result, descriptorLength);
      const std::string descriptor(reinterpret_cast<const char*>(info_->descriptorBuffer.get()),
                                   static_cast<size_t>(result > 0 ? result : 0));
      EXPECT_EQ(descriptor.rfind("MIDlet-10: Wrong", 0), 0u) << descriptor;
      EXPECT_NE(descriptor.find("MIDlet-Jar-Size: 5000\r\n"), std::string::npos) << descriptor;
    } else {
      EXPECT_EQ(result, c.result);
    }
    for (const std::string& line : c.traceLines)
      EXPECT_NE(out.trace.find(replaceAll(line, "PORT", port)), std::string::npos)
          << "missing: " << line << "\n"
          << out.trace;
    if (c.className != nullptr) {
      EXPECT_STREQ(info_->classNameBuffer.get(), c.className);
    }
    if (c.jarLength >= 0) {
      ASSERT_EQ(agent.jarLength, c.jarLength);
      const uint8_t* jar = info_->jarBuffer.get();
      int32_t wrong = 0;
      for (int32_t i = 0; i < c.jarLength; ++i) wrong += jar[i] != static_cast<uint8_t>((i * 7 + 3) & 0xFF);
      EXPECT_EQ(wrong, 0) << "JAR bytes differ from the server's";
      EXPECT_STREQ(info_->jarUrlBuffer.get(), ("http://127.0.0.1:" + port + "/test/case.jar").c_str());
    }
  }
}

// One transfer as the test port delivers it: the header without its
// "Transfer-Encoding" and "TE" lines, then the body.
TEST_F(TckAgentTest, TransferReceivesHeaderAndBody) {
  TckServer server("order");
  ASSERT_GT(server.port(), 0);
  const std::string url = "http://127.0.0.1:" + std::to_string(server.port()) + "/test/x";
  uint8_t* buffer = info_->jarBuffer.get();
  int32_t size = kJarSize;
  vsTestPort_startCapture();
  const int32_t status = vsTckAgent_httpTransfer(url.c_str(), buffer, &size);
  const TestPortCapture out = vsTestPort_stopCapture();
  EXPECT_EQ(server.finish(), std::vector<std::string>{"/test/x"});
  EXPECT_EQ(status, 200) << out.trace;
  const std::string received(reinterpret_cast<const char*>(buffer), static_cast<size_t>(size > 0 ? size : 0));
  const size_t headerEnd = received.find("\r\n\r\n");
  ASSERT_NE(headerEnd, std::string::npos) << received;
  const std::string header = received.substr(0, headerEnd + 2);
  EXPECT_EQ(header.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << header;
  EXPECT_EQ(header.find("Transfer-Encoding"), std::string::npos) << header;
  EXPECT_EQ(header.find("\r\nTE"), std::string::npos) << header;
  const std::string body = received.substr(headerEnd + 4);
  EXPECT_NE(header.find("Content-Length: " + std::to_string(body.size()) + "\r\n"), std::string::npos)
      << header;
  EXPECT_EQ(body.rfind("MIDlet-10: Wrong, , tests.Wrong\r\n", 0), 0u) << body;
  EXPECT_NE(out.trace.find("JkHttpFinishRequest("), std::string::npos) << out.trace;
  EXPECT_NE(out.trace.find("JkHttpClose("), std::string::npos) << out.trace;
}

// Without a port the fetch asks port 8080; a host off the loopback is
// refused by the test port with the error event, which fails the open.
TEST_F(TckAgentTest, EmptyPortAsksForPort8080) {
  std::vector<std::string> args = {"-tck_host", "http://tck.invalid:/"};
  VsTckAgent agent = {};
  vsTestPort_startCapture();
  ASSERT_EQ(setUp(&agent, &args), 1);
  vsTck_setKeys(&agent);
  const int32_t result = vsTck_fetchDescriptor(&agent);
  const TestPortCapture out = vsTestPort_stopCapture();
  EXPECT_EQ(result, -2);
  EXPECT_NE(out.trace.find("JkHttpOpen(http://tck.invalid:8080/test/getNextApp.jad, "), std::string::npos)
      << out.trace;
  EXPECT_NE(out.trace.find("[tck_agent] Failed to open HTTP connection. Event status=0\n"), std::string::npos)
      << out.trace;
}

TEST_F(TckAgentTest, InstallerWithoutAgentOrClass) {
  const LowCopy jar = manifestJar("MIDlet-1: Hello, , tests.Hello\n");
  struct InstallerCase {
    const char* name;
    const char* className;  // null: none in the record
    const uint8_t* jar;
    int32_t result;
  };
  const InstallerCase cases[] = {
      {"class of the record is no agent", "tests.Hello", jar.data(), -1},
      {"chosen class is no agent", nullptr, jar.data(), -1},
      {"no class can be chosen", nullptr, nullptr, -3},
  };
  for (const InstallerCase& c : cases) {
    SCOPED_TRACE(c.name);
    app_->jarSize = jar.size();
    app_->jarAddr = c.jar;
    app_->className = nullptr;
    app_->classNameLen = 0;
    if (c.className != nullptr) setClassName(c.className);
    info_->descriptorLength = -1;
    vsTestPort_startCapture();
    EXPECT_EQ(AmTckGetDescriptor(kWorkSize, work_, app_), c.result);
    const TestPortCapture out = vsTestPort_stopCapture();
    EXPECT_EQ(out.trace, "=== service API trace: AmTckGetDescriptor()\n");
    EXPECT_EQ(info_->descriptorLength, -1);
  }
}

}  // namespace
