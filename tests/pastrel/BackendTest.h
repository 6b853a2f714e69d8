#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "EditorServices/JsonAccess.h"
#include "EditorServices/Pastrel.h"
#include "ParseResult.h"
#include "foundation/log/testing.h"
#include "pf/clipboard/clipboard.h"
#include "pf/clipboard/testing.h"
#include "pf/event/testing.h"

struct CapturedReply {
    std::string text;
    std::string uid;
    int calls = 0;
};

// A fresh back-end over an empty platform clipboard, with its log records captured.
class BackendTest : public ::testing::Test {
protected:
    using Pastrel = EditorServices::Pastrel;
    using JsonObject = EditorServices::JsonObject;
    using JsonArray = EditorServices::JsonArray;
    using Value = foundation::json::Value;
    using JsonMessage = connector::message_service::JsonMessage;
    static constexpr pf::clipboard::PFClipboardMode clipboardMode = pf::clipboard::PFClipboardModeClipboard;
    static constexpr pf::clipboard::PFClipboardMode selectionMode = pf::clipboard::PFClipboardModeSelection;

    BackendTest() {
        pf::clipboard::testing::reset();
        pf::event::testing::setListeningFails(false);
        backend = std::make_unique<Pastrel>();
    }
    ~BackendTest() override {
        backend.reset();
        pf::event::testing::waitUntilDelivered();
        pf::clipboard::testing::reset();
    }

    static Pastrel::ReplyCallback replyInto(CapturedReply& reply) {
        return [&reply](std::string text, std::string uid) {
            reply.text = std::move(text);
            reply.uid = std::move(uid);
            ++reply.calls;
        };
    }

    static JsonObject parseReply(const std::string& text) {
        auto result = parseObject(text);
        EXPECT_EQ(result.status, 0) << text;
        return result.members;
    }

    std::vector<std::string> logged() const {
        std::vector<std::string> messages;
        for (const auto& record : capture.records("editor_services::Pastrel")) {
            EXPECT_EQ(record.severity, 4u);
            messages.push_back(record.message);
        }
        return messages;
    }

    static std::u16string textOn(const std::u16string& mimeType, pf::clipboard::PFClipboardMode mode = clipboardMode) {
        auto content = pf::clipboard::getClipboardDataSync(mimeType, mode);
        const auto* text = std::get_if<std::u16string>(&content);
        return text ? *text : u"<no text>";
    }

    static void putText(const std::u16string& mimeType, const std::u16string& text,
                        pf::clipboard::PFClipboardMode mode = clipboardMode) {
        pf::clipboard::testing::putForeignContent(mimeType, text, mode);
    }

    foundation::log::testing::record_capture capture;
    std::unique_ptr<Pastrel> backend;
};
