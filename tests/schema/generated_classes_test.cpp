// Behaviour of the generated classes that the host relies on.
#include <string>

#include <gtest/gtest.h>

#include "cefclient_messages.pb.h"

using cefclient_messages::windowMessage;

TEST(GeneratedClasses, MutableMarksPresentAndMessageIsIncompleteUntilFilled) {
    windowMessage message;
    message.set_windowid("W1");
    message.mutable_settitle();
    EXPECT_TRUE(message.has_settitle());
    // The runtime refuses SerializeAsString on an incomplete message; the partial writer gives its bytes.
    EXPECT_EQ(message.SerializePartialAsString(), std::string("\x0A\x02W1\x12\x00", 6));
    EXPECT_FALSE(message.IsInitialized());

    windowMessage parsed;
    EXPECT_FALSE(parsed.ParseFromString(message.SerializePartialAsString()));

    message.mutable_settitle()->set_title("T");
    EXPECT_TRUE(message.IsInitialized());
    EXPECT_TRUE(parsed.ParseFromString(message.SerializeAsString()));
}

TEST(GeneratedClasses, AbsentSubMessageReadsAsDefaultInstance) {
    windowMessage message;
    EXPECT_FALSE(message.has_settitle());
    EXPECT_EQ(&message.settitle(), &windowMessage::setTitle::default_instance());
    EXPECT_EQ(message.settitle().title(), "");
    EXPECT_FALSE(message.settitle().has_title());
}

TEST(GeneratedClasses, CompletenessIsCheckedAtEveryDepth) {
    windowMessage message;
    message.set_windowid("W");
    auto* file = message.add_droppedfile();
    EXPECT_FALSE(message.IsInitialized());  // element of field 28 incomplete
    file->set_filepath("/x");
    EXPECT_TRUE(message.IsInitialized());

    auto* window = message.mutable_newwindow();
    window->set_url("u");
    EXPECT_FALSE(message.IsInitialized());

    windowMessage parsed;
    EXPECT_FALSE(parsed.ParseFromString(message.SerializePartialAsString()));
    EXPECT_FALSE(parsed.ParseFromString(std::string("\x12\x00", 2)));  // empty setTitle, no windowid
}

TEST(GeneratedClasses, ClearKeepsDroppedFileElementsForReuse) {
    windowMessage message;
    message.set_windowid("W");
    message.mutable_setposition()->set_x(1);
    message.add_droppedfile()->set_filepath("/a");
    message.add_droppedfile()->set_filepath("/b");
    const auto* firstElement = &message.droppedfile(0);

    message.Clear();
    EXPECT_FALSE(message.has_windowid());
    EXPECT_FALSE(message.has_setposition());
    EXPECT_EQ(message.droppedfile_size(), 0);

    auto* reused = message.add_droppedfile();
    EXPECT_EQ(reused, firstElement);
    EXPECT_FALSE(reused->has_filepath());
    EXPECT_EQ(reused->filepath(), "");

    message.clear_droppedfile();
    EXPECT_EQ(message.droppedfile_size(), 0);
}

TEST(GeneratedClasses, ClearDropsUnknownFields) {
    windowMessage message;
    ASSERT_TRUE(message.ParseFromString(std::string("\x0A\x01W\xC0\x02\x01", 6)));
    message.Clear();
    message.set_windowid("W");
    EXPECT_EQ(message.SerializeAsString(), std::string("\x0A\x01W", 3));
}

TEST(GeneratedClasses, MergeFromCombinesSubMessagesAndAppendsDroppedFiles) {
    windowMessage into;
    into.mutable_setposition()->set_y(4);
    into.add_droppedfile()->set_filepath("/first");
    windowMessage from;
    from.set_windowid("W2");
    from.mutable_setposition()->set_x(3);
    from.add_droppedfile()->set_filepath("/second");

    into.MergeFrom(from);
    EXPECT_EQ(into.windowid(), "W2");
    EXPECT_TRUE(into.setposition().has_x());
    EXPECT_TRUE(into.setposition().has_y());
    EXPECT_EQ(into.setposition().x(), 3);
    EXPECT_EQ(into.setposition().y(), 4);
    ASSERT_EQ(into.droppedfile_size(), 2);
    EXPECT_EQ(into.droppedfile(1).filepath(), "/second");
}

TEST(GeneratedClasses, CopyIsDeep) {
    windowMessage original;
    original.set_windowid("W");
    original.mutable_settitle()->set_title("before");
    windowMessage copy(original);
    original.mutable_settitle()->set_title("after");
    EXPECT_EQ(copy.settitle().title(), "before");
    EXPECT_NE(&copy.settitle(), &original.settitle());
}

TEST(GeneratedClasses, TypeNames) {
    EXPECT_EQ(windowMessage().GetTypeName(), "cefclient_messages.windowMessage");
    EXPECT_EQ(cefclient_messages::windowMessage_getOuterPosition().GetTypeName(),
              "cefclient_messages.windowMessage.getOuterPosition");
    EXPECT_EQ(windowMessage::DroppedFile().GetTypeName(), "cefclient_messages.windowMessage.DroppedFile");
}

TEST(GeneratedClasses, SetLocationStandsAlone) {
    cefclient_messages::windowMessage_setLocation location;
    location.set_x(-1);
    location.set_y(2);
    cefclient_messages::windowMessage_setLocation parsed;
    ASSERT_TRUE(parsed.ParseFromString(location.SerializeAsString()));
    EXPECT_EQ(parsed.x(), -1);
    EXPECT_EQ(parsed.y(), 2);
}

TEST(GeneratedClasses, SerializeToStringReplacesContentAndCachesSize) {
    windowMessage message;
    message.set_windowid("W1");
    message.mutable_seturl()->set_url("https://a.test");
    std::string out = "stale content";
    ASSERT_TRUE(message.SerializeToString(&out));
    EXPECT_EQ(out, message.SerializeAsString());
    EXPECT_EQ(static_cast<size_t>(message.GetCachedSize()), out.size());
}
