#include <gmock/gmock.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "BackendTest.h"

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// Collects the notifications, which arrive on the event thread.
class Notifications {
public:
    EditorServices::Pastrel::NotifyCallback callback() {
        return [this](std::string text) {
            std::lock_guard lock(mutex_);
            texts_.push_back(std::move(text));
            threads_.push_back(std::this_thread::get_id());
        };
    }
    std::vector<std::string> texts() const {
        std::lock_guard lock(mutex_);
        return texts_;
    }
    std::vector<std::thread::id> threads() const {
        std::lock_guard lock(mutex_);
        return threads_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> texts_;
    std::vector<std::thread::id> threads_;
};

class ChangeSubscription : public BackendTest {
protected:
    // The subscribers outlive the back-end's registration.
    ~ChangeSubscription() override { backend.reset(); }

    CapturedReply subscribe(Notifications& notifications, const std::string& text = R"({"requestId": "s", "uid": "u"})") {
        CapturedReply reply;
        backend->handleRequestForClipboardChangeSubscription(JsonMessage(text), notifications.callback(), replyInto(reply));
        EXPECT_EQ(reply.calls, 1);
        return reply;
    }

    void setText(const std::string& text) {
        CapturedReply reply;
        backend->handleSetClipboardDataRequest(
            JsonMessage(R"({"requestId": "r", "uid": "u", "contents": [{"flavor": "text/plain", "content": ")" + text + "\"}]}"),
            clipboardMode, replyInto(reply));
        pf::event::testing::waitUntilDelivered();
    }

    JsonObject getEverything() {
        CapturedReply reply;
        backend->handleGetClipboardDataRequest(JsonMessage(R"({"requestId": "g", "uid": "u", "flavors": []})"), clipboardMode,
                                               replyInto(reply));
        return parseReply(reply.text);
    }

    Notifications notifications;
    Notifications second;
};

TEST_F(ChangeSubscription, EachChangeNotifiesOnceOnTheEventThread) {
    auto reply = subscribe(notifications);
    EXPECT_EQ(reply.text, R"({"responseId":"s","success":"true"})");
    EXPECT_EQ(reply.uid, "u");
    setText("one");
    putText(u"text/html", u"two");
    pf::event::testing::waitUntilDelivered();
    EXPECT_THAT(notifications.texts(),
                ElementsAre(R"({"flavors":["text/plain"],"responseId":"","success":true})",
                            R"({"flavors":["text/plain","text/html"],"responseId":"","success":true})"));
    for (auto thread : notifications.threads()) EXPECT_NE(thread, std::this_thread::get_id());
}

TEST_F(ChangeSubscription, SelectionChangesDoNotNotify) {
    subscribe(notifications);
    putText(u"text/plain", u"x", selectionMode);
    pf::event::testing::waitUntilDelivered();
    EXPECT_THAT(notifications.texts(), IsEmpty());
}

TEST_F(ChangeSubscription, ASecondSubscriberSharesTheFirstRegistration) {
    subscribe(notifications);
    EXPECT_EQ(subscribe(second, R"({"requestId": "s2"})").text, R"({"responseId":"s2","success":"true"})");
    setText("x");
    EXPECT_EQ(notifications.texts().size(), 1u);
    EXPECT_THAT(second.texts(), IsEmpty());
}

TEST_F(ChangeSubscription, AFailedRegistrationRepliesFalseAndIsTriedAgain) {
    pf::event::testing::setListeningFails(true);
    EXPECT_EQ(subscribe(notifications).text, R"({"responseId":"s","success":"false"})");
    setText("x");
    EXPECT_THAT(notifications.texts(), IsEmpty());
    // Subscribed without a change yet: the cached list is empty, so nothing is read.
    EXPECT_EQ(getEverything()["contents"], Value(JsonObject{}));

    pf::event::testing::setListeningFails(false);
    EXPECT_EQ(subscribe(second).text, R"({"responseId":"s","success":"true"})");
    setText("y");
    EXPECT_EQ(second.texts().size(), 1u);
}

TEST_F(ChangeSubscription, GetRequestsUseTheFlavoursOfTheLastChange) {
    subscribe(notifications);
    setText("first");
    putText(u"text/html", u"<p>");
    pf::event::testing::waitUntilDelivered();
    // The platform's list is not asked for again: the cache from the last change serves.
    pf::clipboard::testing::setFailingCalls(pf::clipboard::testing::failListTypes);
    EXPECT_EQ(getEverything()["contents"], Value(JsonObject{{"text/plain", "first"}, {"text/html", "<p>"}}));
}

TEST_F(ChangeSubscription, AFlavoursRequestRefreshesTheCachedList) {
    // Without a registration no change refreshes the cache; only the flavours request can.
    pf::event::testing::setListeningFails(true);
    subscribe(notifications);
    putText(u"text/plain", u"x");
    EXPECT_EQ(getEverything()["contents"], Value(JsonObject{}));
    CapturedReply reply;
    backend->handleRequestForAvailableDataFlavors(JsonMessage(R"({"requestId": "f"})"), replyInto(reply));
    EXPECT_EQ(getEverything()["contents"], Value(JsonObject{{"text/plain", "x"}}));
}

TEST_F(ChangeSubscription, AFailedTypeListIsNotifiedAsFailureAndKeepsTheCache) {
    subscribe(notifications);
    setText("kept");
    pf::clipboard::testing::setFailingCalls(pf::clipboard::testing::failListTypes);
    putText(u"text/html", u"<p>");
    pf::event::testing::waitUntilDelivered();
    EXPECT_THAT(notifications.texts(),
                ElementsAre(R"({"flavors":["text/plain"],"responseId":"","success":true})",
                            R"({"flavors":[],"responseId":"","success":false})"));
    EXPECT_EQ(getEverything()["contents"], Value(JsonObject{{"text/plain", "kept"}}));
}

TEST_F(ChangeSubscription, AFailingSubscriberKeepsItsFailureToItself) {
    // Two back-ends on the one platform signal: the first one's notifier fails with anything at all.
    subscribe(notifications);
    Pastrel failing;
    CapturedReply reply;
    failing.handleRequestForClipboardChangeSubscription(
        JsonMessage(R"({"requestId": "s"})"), [](std::string) { throw 7; }, replyInto(reply));
    Pastrel throwingStd;
    throwingStd.handleRequestForClipboardChangeSubscription(
        JsonMessage(R"({"requestId": "s"})"), [](std::string) { throw std::runtime_error("gone"); }, replyInto(reply));
    Pastrel later;
    later.handleRequestForClipboardChangeSubscription(JsonMessage(R"({"requestId": "s"})"), second.callback(),
                                                      replyInto(reply));
    setText("x");
    EXPECT_EQ(notifications.texts().size(), 1u);
    EXPECT_EQ(second.texts().size(), 1u) << "the failure reached the signal and stopped the later subscriber";
    EXPECT_THAT(logged(), Contains("[onClipboardChanged] notification failed: unknown exception"));
    EXPECT_THAT(logged(), Contains("[onClipboardChanged] notification failed: gone"));
}

TEST_F(ChangeSubscription, ARequestWithoutIdIsLoggedAndStillSubscribes) {
    auto reply = subscribe(notifications, "{}");
    EXPECT_EQ(reply.text, R"({"responseId":"","success":"true"})");
    EXPECT_THAT(logged(), ElementsAre("[handleRequestForClipboardChangeSubscription] UID is empty",
                                      "[handleRequestForClipboardChangeSubscription] UID is empty"));
}

TEST_F(ChangeSubscription, DestructionStopsNotificationsFirst) {
    subscribe(notifications);
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        while (!stop) putText(u"text/plain", u"busy");
    });
    while (notifications.texts().size() < 3) std::this_thread::yield();
    backend.reset();
    const auto seen = notifications.texts().size();
    pf::event::testing::waitUntilDelivered();
    EXPECT_EQ(notifications.texts().size(), seen);
    stop = true;
    writer.join();
    pf::event::testing::waitUntilDelivered();
    EXPECT_EQ(notifications.texts().size(), seen);
}

TEST_F(ChangeSubscription, RequestsAndChangesMayRunTogether) {
    subscribe(notifications);
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; i < 200 && !stop; ++i) putText(i % 2 ? u"text/plain" : u"text/html", u"v");
    });
    for (int i = 0; i < 200; ++i) {
        auto contents = getEverything()["contents"];
        EXPECT_LE(EditorServices::get<JsonObject>(contents).size(), 2u);
    }
    stop = true;
    writer.join();
}

}  // namespace
