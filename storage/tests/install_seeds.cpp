// The fuzz inputs of the installer and the signer check (see install_seeds.h).
#include "storage/tests/install_seeds.h"

#include "ce/testing/testcert.h"
#include "port/support/base64.h"
#include "vm/core/loader/tests/zip_builder.h"

namespace {

std::string jar() {
  const std::string manifest =
      "Manifest-Version: 1.0\nMIDlet-Name: Seed\nMIDlet-Vendor: Test\nMIDlet-Version: 1.0\n"
      "MIDlet-1: Seed, /s.png, Seed\nMIDlet-2: Two, /s.png, Two\nMicroEdition-Profile: MIDP-2.0\n"
      "MicroEdition-Configuration: CLDC-1.1\n";
  const std::vector<uint8_t> bytes = buildZip({{"META-INF/MANIFEST.MF", {manifest.begin(), manifest.end()}},
                                               {"s.png", {0x89, 'P', 'N', 'G'}},
                                               {"Seed.class", std::vector<uint8_t>(64, 0xCA)}});
  return std::string(bytes.begin(), bytes.end());
}

std::string jad(size_t jarSize, const std::string& extra) {
  return "MIDlet-Name: Seed\nMIDlet-Vendor: Test\nMIDlet-Version: 1.0\nMIDlet-Jar-URL: "
         "s.jar\nMIDlet-Jar-Size: " +
         std::to_string(jarSize) +
         "\nMIDlet-1: Seed, /s.png, Seed\nMicroEdition-Profile: MIDP-2.0\nMicroEdition-Configuration: "
         "CLDC-1.1\n" +
         extra;
}

}  // namespace

std::string vsInstallSeeds_base64(const std::string& bytes) {
  uint32_t length = static_cast<uint32_t>(4 * ((bytes.size() + 2) / 3));
  std::string out(length, '\0');
  base64_encode(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<uint32_t>(bytes.size()),
                out.data(), &length);
  return out;
}

std::string vsInstallSeeds_signer() {
  VsTestCertSpec spec;
  spec.subject = {{"C", "XX"}, {"O", "Vostel"}, {"OU", "Test"}, {"CN", "Vostel Test Signer"}};
  return vsTestCert_make(spec);
}

std::string vsInstallSeeds_frame(const std::string& jadText, const std::string& jarBytes) {
  std::string out;
  out += static_cast<char>(jadText.size() & 0xFF);
  out += static_cast<char>(jadText.size() >> 8);
  return out + jadText + jarBytes;
}

std::vector<std::pair<std::string, std::string>> vsInstallSeeds_all() {
  const std::string archive = jar();
  const std::string certificate = vsInstallSeeds_signer();
  const std::string certificateLine = "MIDlet-Certificate-1-1: " + vsInstallSeeds_base64(certificate) + "\n";
  const std::string signatureLine =
      "MIDlet-Jar-RSA-SHA1: " + vsInstallSeeds_base64(vsTestCert_sign(0, archive)) + "\n";
  return {
      {"plain", vsInstallSeeds_frame(jad(archive.size(), ""), archive)},
      {"signed", vsInstallSeeds_frame(jad(archive.size(), certificateLine + signatureLine), archive)},
      {"certificate-only", vsInstallSeeds_frame(jad(archive.size(), certificateLine), archive)},
      {"size-off-by-one", vsInstallSeeds_frame(jad(archive.size() + 1, ""), archive)},
      {"permissions",
       vsInstallSeeds_frame(
           jad(archive.size(),
               "MIDlet-Permissions: javax.microedition.io.Connector.http\n"
               "MIDlet-Permissions-Opt: javax.microedition.io.Connector.sms, com.example.Unknown\n"),
           archive)},
  };
}
