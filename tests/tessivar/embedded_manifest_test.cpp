#include <gtest/gtest.h>

#include <archive.h>
#include <archive_entry.h>

#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "tovrenna/BundleResources.h"

namespace {

struct Member {
    std::string path;
    std::string format;
    std::string text;
};

// Every member of a zip archive, inflated.
std::vector<Member> unzip(const std::string& bytes) {
    std::unique_ptr<archive, decltype(&archive_read_free)> reader(archive_read_new(), &archive_read_free);
    archive_read_support_format_zip(reader.get());
    if (archive_read_open_memory(reader.get(), bytes.data(), bytes.size()) != ARCHIVE_OK) return {};
    std::vector<Member> members;
    archive_entry* entry = nullptr;
    while (archive_read_next_header(reader.get(), &entry) == ARCHIVE_OK) {
        Member member{archive_entry_pathname(entry), archive_format_name(reader.get()), {}};
        char block[4096];
        for (la_ssize_t got; (got = archive_read_data(reader.get(), block, sizeof block)) > 0;) {
            member.text.append(block, static_cast<std::size_t>(got));
        }
        members.push_back(std::move(member));
    }
    return members;
}

std::vector<std::string> keysOf(const nlohmann::ordered_json& object) {
    std::vector<std::string> keys;
    for (const auto& [key, value] : object.items()) keys.push_back(key);
    return keys;
}

class EmbeddedManifest : public testing::Test {
protected:
    void SetUp() override {
        members = unzip(tovrenna::readBundleResources(TESSIVAR_PLUGIN));
        ASSERT_EQ(members.size(), 1u);
        manifest = nlohmann::ordered_json::parse(members[0].text);
    }
    std::vector<Member> members;
    nlohmann::ordered_json manifest;
};

TEST_F(EmbeddedManifest, IsTheOnlyMemberDeflatedUnderTheBundleName) {
    EXPECT_EQ(members[0].path, "com_velderine_service/manifest.json");
    EXPECT_NE(members[0].format.find("deflation"), std::string::npos) << members[0].format;
    std::ifstream source(TESSIVAR_MANIFEST_SOURCE, std::ios::binary);
    std::stringstream text;
    text << source.rdbuf();
    EXPECT_EQ(members[0].text, text.str());
}

TEST_F(EmbeddedManifest, KeepsItsKeyOrderAndLayout) {
    EXPECT_EQ(keysOf(manifest),
              (std::vector<std::string>{"bundle.activator", "bundle.symbolic_name", "bundle.vendor", "zq", "scr"}));
    EXPECT_EQ(keysOf(manifest["zq"]),
              (std::vector<std::string>{"clientdir", "component", "installpath", "module"}));
    EXPECT_EQ(keysOf(manifest["scr"]), (std::vector<std::string>{"components", "version"}));
    EXPECT_EQ(keysOf(manifest["scr"]["components"][0]),
              (std::vector<std::string>{"implementation-class", "inject-references", "properties", "references",
                                        "service"}));

    std::istringstream lines(members[0].text);
    for (std::string line; std::getline(lines, line);) {
        if (line.empty()) continue;
        EXPECT_EQ(line.find_first_not_of(' ') % 3, 0u) << line;
        EXPECT_EQ(line.find("\":"), std::string::npos) << "key without \" : \": " << line;
    }
}

TEST_F(EmbeddedManifest, DeclaresTheBundleItsInstallDataAndItsComponent) {
    EXPECT_EQ(manifest["bundle.activator"], false);
    EXPECT_EQ(manifest["bundle.symbolic_name"], "com_velderine_service");
    EXPECT_TRUE(manifest["bundle.vendor"].is_string());
    const auto& zq = manifest["zq"];
    EXPECT_EQ(zq["clientdir"], "src/editorservices/clipboard/clipboard_service");
    EXPECT_EQ(zq["component"],
              nlohmann::ordered_json::parse(
                  R"({"attributes": "released", "name": "editorservices/clipboardservice", "type": "software"})"));
    EXPECT_TRUE(zq["installpath"].is_string());
    EXPECT_EQ(zq["module"]["name"], "service");
    EXPECT_EQ(manifest["scr"]["version"], 1);

    const auto& component = manifest["scr"]["components"][0];
    EXPECT_EQ(component["implementation-class"], "EditorServices::ClipboardService");
    EXPECT_EQ(component["inject-references"], true);
    EXPECT_EQ(component["references"],
              nlohmann::ordered_json::parse(R"([{"interface": "connector::message_service::MessageServiceFactory",
                                                 "name": "MessageServiceFactory"}])"));
    EXPECT_EQ(component["service"]["interfaces"], nlohmann::ordered_json::array({"connector::common::DeferredService"}));
    EXPECT_EQ(component["properties"]["zq"]["embeddedConnector"]["startTriggers"]["messageServiceChannels"],
              nlohmann::ordered_json::array({"/v2/clipboardservice/**"}));
}

TEST(BundleResources, ReadFromMemoryAreThoseOfTheFile) {
    std::ifstream in(TESSIVAR_PLUGIN, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    const std::string image = bytes.str();
    EXPECT_EQ(tovrenna::readBundleResourcesInMemory(image), tovrenna::readBundleResources(TESSIVAR_PLUGIN));
    // The section table lies at the end of the file.
    try {
        tovrenna::readBundleResourcesInMemory(std::string_view(image).substr(0, image.size() - 1));
        ADD_FAILURE() << "a plug-in cut short was read";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "the file is cut short");
    }
}

}  // namespace
