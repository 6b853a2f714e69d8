// Allowed certificates and proxy credentials as the host sets them.
#include <gtest/gtest.h>

#include "cefclient/CredentialStore.h"

namespace {

const std::string kFirst =
    "-----BEGIN CERTIFICATE-----\nMIIBfirst\nline2\n-----END CERTIFICATE-----";
const std::string kSecond =
    "-----BEGIN CERTIFICATE-----\nMIIBsecond\n-----END CERTIFICATE-----";

std::string flat(std::string text) {
    std::erase(text, '\n');
    return text;
}

}  // namespace

TEST(CredentialStore, BundleOfTwoGivesTwoFlatEntriesAndRepeatingItAddsNone) {
    client::CredentialStore store;
    const std::string bundle = kFirst + "\n" + kSecond + "\n";
    store.addAllowedCertificates(bundle);
    store.addAllowedCertificates(bundle);
    const auto entries = store.allowedCertificates();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0], flat(kFirst));
    // The line feed after the first marker belongs to the second piece and is removed with the others.
    EXPECT_EQ(entries[1], flat(kSecond));
}

TEST(CredentialStore, TextBeforeBeginLineStaysAndTextAfterLastMarkerIsIgnored) {
    client::CredentialStore store;
    store.addAllowedCertificates("Issuer: test CA\n" + kFirst + "\ntrailing text without marker");
    const auto entries = store.allowedCertificates();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0], "Issuer: test CA" + flat(kFirst));
    store.addAllowedCertificates("no marker at all");
    EXPECT_EQ(store.allowedCertificates().size(), 1u);
}

TEST(CredentialStore, LineEndingsDoNotMatterButEverythingElseDoes) {
    client::CredentialStore store;
    store.addAllowedCertificates(kFirst);
    std::string crlf;
    for (char c : kFirst) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    EXPECT_TRUE(store.isCertificateAllowed(crlf));
    EXPECT_TRUE(store.isCertificateAllowed(flat(kFirst)));
    std::string spaced = kFirst;
    spaced.insert(spaced.find("MIIB"), " ");
    EXPECT_FALSE(store.isCertificateAllowed(spaced));
    std::string lower = kFirst;
    lower[lower.find("MIIB")] = 'm';
    EXPECT_FALSE(store.isCertificateAllowed(lower));
    EXPECT_FALSE(store.isCertificateAllowed(kSecond));
}

TEST(CredentialStore, ProxyCredentialsAreReplacedAsAPair) {
    client::CredentialStore store;
    EXPECT_EQ(store.proxyCredentials(), std::make_pair(std::string(), std::string()));
    store.setProxyCredentials("alice", "");
    EXPECT_EQ(store.proxyCredentials(), std::make_pair(std::string("alice"), std::string()));
    store.setProxyCredentials("bob", "secret");
    EXPECT_EQ(store.proxyCredentials(), std::make_pair(std::string("bob"), std::string("secret")));
}
