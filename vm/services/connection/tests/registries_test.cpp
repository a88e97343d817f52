// The protocol registry, the URL checker, the built-in parts, the test
// socket protocol and the registries' reset.
#include <cstring>
#include <memory>

#include "vm/services/connection/parts.h"
#include "vm/services/connection/protocol_registry.h"
#include "vm/services/connection/system_package.h"
#include "vm/services/connection/tests/connection_fixture.h"
#include "vm/services/connection/url_checker.h"

namespace {

using Registries = ConnectionTest;

constexpr char kHttpClass[] = "jp.co.orvex.cldc.io.j2me.http.HttpConnectionImpl";

TEST_F(Registries, SchemesMatchWithoutRegardToLetterCase) {
  vsParts_initializeAll();
  struct Case {
    const char* protocol;
    const char* className;  // null: none
  };
  const Case cases[] = {
      {"http", kHttpClass},
      {"HTTP", kHttpClass},
      {"hTtP", kHttpClass},
      {"https", "jp.co.orvex.cldc.io.j2me.http.HttpsConnectionImpl"},
      {"resource", "com.vostel.io.j2me.resource.Protocol"},
      {"socket", "jp.co.orvex.cldc.io.j2me.socket.SocketConnectionFactory"},
      {"SSL", "jp.co.orvex.cldc.io.j2me.securesocket.SecureConnectionImpl"},
      {"sms", "jp.co.orvex.cldc.wireless.messaging.SMSConnectionImpl"},
      {"cbs", "jp.co.orvex.cldc.wireless.messaging.CBSConnectionImpl"},
      {"htt", nullptr},
      {"httpx", nullptr},
      {"", nullptr},
      {nullptr, nullptr},
  };
  for (const Case& c : cases) {
    const char* found = vsGenericConnection_getClassName(c.protocol);
    if (c.className == nullptr)
      EXPECT_EQ(found, nullptr) << (c.protocol ? c.protocol : "(null)");
    else
      EXPECT_STREQ(found, c.className) << c.protocol;
  }
}

TEST_F(Registries, RefusalsOfTheRegistry) {
  const Outcome again = capture([] {
    EXPECT_EQ(vsGenericConnection_register("sms", "a.Sms"), 0);
    EXPECT_EQ(vsGenericConnection_register("SMS", "b.Sms"), -1);
    EXPECT_EQ(vsGenericConnection_register(nullptr, "b.Sms"), -1);
    EXPECT_EQ(vsGenericConnection_register("x", nullptr), -1);
  });
  EXPECT_EQ(count(again.trace, "vsGenericConnection: Error!! SMS is already registered.\n"), 1u)
      << again.trace;
  EXPECT_STREQ(vsGenericConnection_getClassName("Sms"), "a.Sms");

  const Outcome full = capture([] {
    char name[16];
    for (int i = 1; i < kVsProtocol_entries; ++i) {
      std::snprintf(name, sizeof name, "p%d", i);
      EXPECT_EQ(vsGenericConnection_register(name, "c.P"), 0) << name;
    }
    EXPECT_EQ(vsGenericConnection_register("p21", "c.P"), -1);
  });
  EXPECT_EQ(count(full.trace, "vsGenericConnection: Could not register. table is over."), 1u) << full.trace;
  EXPECT_EQ(count(full.trace, "vsGenericConnection"), 1u) << full.trace;
  EXPECT_STREQ(vsGenericConnection_getClassName("P19"), "c.P");
  EXPECT_EQ(vsGenericConnection_getClassName("p21"), nullptr);

  vsGenericConnection_initialize();
  EXPECT_EQ(vsGenericConnection_getClassName("sms"), nullptr);
}

TEST_F(Registries, TheRegistryKeepsItsOwnCopies) {
  {
    auto protocol = std::make_unique<char[]>(8);
    auto className = std::make_unique<char[]>(16);
    std::strcpy(protocol.get(), "btspp");
    std::strcpy(className.get(), "a.b.Bluetooth");
    ASSERT_EQ(vsGenericConnection_register(protocol.get(), className.get()), 0);
    std::memset(className.get(), 'x', 15);  // then freed: a kept pointer would read freed memory
  }
  EXPECT_STREQ(vsGenericConnection_getClassName("BTSPP"), "a.b.Bluetooth");
  auto asked = std::make_unique<char[]>(8);
  std::strcpy(asked.get(), "btspp");
  const Outcome again = capture([&] { EXPECT_EQ(vsGenericConnection_register(asked.get(), "c.D"), -1); });
  EXPECT_EQ(count(again.trace, "btspp is already registered"), 1u) << again.trace;
}

TEST_F(Registries, KindZeroTestSocketProtocolStaysForTheRun) {
  ASSERT_EQ(vsTck_registerSocketProtocol(), 0);
  const Outcome parts = capture([] { EXPECT_EQ(vsParts_initializeAll(), 0); });
  EXPECT_FALSE(parts.stopped) << parts.trace;
  EXPECT_STREQ(vsGenericConnection_getClassName("socket"), "com.vostel.tck.socket2http.Protocol");
  EXPECT_EQ(count(parts.trace, "vsGenericConnection: Error!! socket is already registered.\n"), 1u)
      << parts.trace;
  EXPECT_STREQ(vsGenericConnection_getClassName("http"), kHttpClass);
  const Outcome twice = capture([] { EXPECT_EQ(vsTck_registerSocketProtocol(), -1); });
  EXPECT_EQ(count(twice.trace, "socket is already registered"), 1u) << twice.trace;
}

TEST_F(Registries, UrlCheckerIsOneNameReplacedWithAWarning) {
  EXPECT_EQ(vsURLChecker_getClassName(), nullptr);
  const Outcome null = capture([] { EXPECT_EQ(vsURLChecker_registerClassName(nullptr), -1); });
  EXPECT_EQ(count(null.trace,
                  "vsURLChecker: Invalid parameter passed to vsURLChecker_registerClassName() - "
                  "className is NULL.\n"),
            1u)
      << null.trace;
  vsMidp_registerURLChecker();
  EXPECT_STREQ(vsURLChecker_getClassName(), "jp.co.orvex.cldc.io.MIDPURLChecker");
  const Outcome over = capture([] { EXPECT_EQ(vsURLChecker_registerClassName("a.Checker"), 0); });
  EXPECT_EQ(count(over.trace, "vsURLChecker: Overwrite a.Checker with jp.co.orvex.cldc.io.MIDPURLChecker."),
            1u)
      << over.trace;
  EXPECT_STREQ(vsURLChecker_getClassName(), "a.Checker");
}

TEST_F(Registries, TheResetEmptiesEveryRegistry) {
  static const char* const kList[] = {"org.acme.", nullptr};
  vsParts_initializeAll();
  vsSystemPackage_register(kList);
  ASSERT_NE(vsURLChecker_getClassName(), nullptr);
  ASSERT_EQ(vsSystemPackage_isSystemClass("org/acme/Tool", "/app.jar"), 1);
  vsConnection_resetRegistries();
  EXPECT_EQ(vsGenericConnection_getClassName("http"), nullptr);
  EXPECT_EQ(vsURLChecker_getClassName(), nullptr);
  EXPECT_EQ(vsSystemPackage_isSystemClass("org/acme/Tool", "/app.jar"), 0);
  // Five fresh lists fit again: the MIDP part's empty one and four more.
  const Outcome lists = capture([] {
    vsMidp_registerSystemPackages();
    for (int i = 0; i < 4; ++i) vsSystemPackage_register(kList);
  });
  EXPECT_FALSE(lists.stopped);
}

}  // namespace
