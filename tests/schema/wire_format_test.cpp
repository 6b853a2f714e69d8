// Byte-level contract of the window messages on the pipe.
#include <string>

#include <gtest/gtest.h>

#include "cefclient_messages.pb.h"

using cefclient_messages::windowMessage;

namespace {

std::string bytes(std::initializer_list<unsigned char> values) { return std::string(values.begin(), values.end()); }

windowMessage withId(const std::string& id) {
    windowMessage message;
    message.set_windowid(id);
    return message;
}

}  // namespace

TEST(WireFormat, WindowIdOnly) { EXPECT_EQ(withId("W1").SerializeAsString(), bytes({0x0A, 0x02, 0x57, 0x31})); }

TEST(WireFormat, NegativeInt32IsTenByteVarint) {
    windowMessage::setZoomLevel zoom;
    zoom.set_zoom(-1);
    const std::string expected =
        bytes({0x08, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01});
    EXPECT_EQ(zoom.SerializeAsString(), expected);

    windowMessage message = withId("W1");
    message.mutable_setzoomlevel()->set_zoom(-1);
    EXPECT_EQ(message.SerializeAsString(), bytes({0x0A, 0x02, 0x57, 0x31, 0xB2, 0x01, 0x0B}) + expected);

    windowMessage position = withId("W1");
    auto* p = position.mutable_setposition();
    p->set_x(-5);
    p->set_y(0);
    p->set_width(1);
    p->set_height(1);
    p->set_didendresize(false);
    p->set_timestamp(0);
    // key + 10-byte x + four one-byte fields with their keys + timestamp
    EXPECT_EQ(p->ByteSizeLong(), 1u + 10u + 2u * 4u + 2u);
    windowMessage parsed;
    ASSERT_TRUE(parsed.ParseFromString(position.SerializeAsString()));
    EXPECT_EQ(parsed.setposition().x(), -5);
}

TEST(WireFormat, ReaderTakesLow32BitsOfLongVarint) {
    // zoom = 2^32 + 7 on the wire
    windowMessage::setZoomLevel zoom;
    ASSERT_TRUE(zoom.ParseFromString(bytes({0x08, 0x87, 0x80, 0x80, 0x80, 0x10})));
    EXPECT_EQ(zoom.zoom(), 7);
}

TEST(WireFormat, DroppedFilesAreSeparateRecordsBetween27And29) {
    windowMessage message = withId("W");
    message.mutable_setallwindowsactivated()->set_activate(true);
    message.add_droppedfile()->set_filepath("a");
    message.add_droppedfile()->set_filepath("b");
    message.mutable_setdragdrop()->set_enable(true);
    const std::string expected = bytes({0x0A, 0x01, 'W',
                                        0xDA, 0x01, 0x02, 0x08, 0x01,        // 27 setdragdrop
                                        0xE2, 0x01, 0x03, 0x0A, 0x01, 'a',   // 28 first path
                                        0xE2, 0x01, 0x03, 0x0A, 0x01, 'b',   // 28 second path
                                        0xEA, 0x01, 0x02, 0x08, 0x01});      // 29 activate
    EXPECT_EQ(message.SerializeAsString(), expected);
}

TEST(WireFormat, FieldsWrittenInNumberOrderWhateverTheSetOrder) {
    windowMessage message;
    message.mutable_proxyauth()->set_username("u");
    message.mutable_proxyauth()->set_password("p");
    message.mutable_settitle()->set_title("t");
    message.set_windowid("x");
    const std::string wire = message.SerializeAsString();
    EXPECT_EQ(wire.substr(0, 6), bytes({0x0A, 0x01, 'x', 0x12, 0x03, 0x0A}));
    EXPECT_EQ(static_cast<unsigned char>(wire[8]), 0xA2);  // field 36, after field 2
}

TEST(WireFormat, UnknownFieldKeptAndWrittenAfterKnownOnes) {
    windowMessage original = withId("W1");
    original.mutable_proxyauth()->set_username("u");
    original.mutable_proxyauth()->set_password("p");
    const std::string unknown = bytes({0xC2, 0x02, 0x02, 'h', 'i'});  // field 40, length-delimited
    // Unknown field placed first on the wire; it must come back after field 36.
    const std::string input = unknown + original.SerializeAsString();

    windowMessage parsed;
    ASSERT_TRUE(parsed.ParseFromString(input));
    EXPECT_EQ(parsed.SerializeAsString(), original.SerializeAsString() + unknown);

    windowMessage copy(parsed);
    EXPECT_EQ(copy.SerializeAsString(), parsed.SerializeAsString());
}

TEST(WireFormat, UnknownFieldInsideSubMessageKept) {
    // setTitle { title = "a"; field 9 varint 1 }
    const std::string input = bytes({0x0A, 0x01, 'W', 0x12, 0x05, 0x0A, 0x01, 'a', 0x48, 0x01});
    windowMessage parsed;
    ASSERT_TRUE(parsed.ParseFromString(input));
    EXPECT_EQ(parsed.settitle().title(), "a");
    EXPECT_EQ(parsed.SerializeAsString(), input);
}

TEST(WireFormat, KnownFieldWithWrongWireTypeIsKeptAsUnknown) {
    // windowid as expected, then field 2 (settitle) sent as a varint
    const std::string input = bytes({0x0A, 0x01, 'W', 0x10, 0x05});
    windowMessage parsed;
    ASSERT_TRUE(parsed.ParseFromString(input));
    EXPECT_FALSE(parsed.has_settitle());
    EXPECT_EQ(parsed.SerializeAsString(), input);
}

TEST(WireFormat, NonZeroBoolVarintReadsTrueAndWritesOne) {
    windowMessage::setOnTop onTop;
    ASSERT_TRUE(onTop.ParseFromString(bytes({0x08, 0x02})));
    EXPECT_TRUE(onTop.ontop());
    EXPECT_EQ(onTop.SerializeAsString(), bytes({0x08, 0x01}));

    ASSERT_TRUE(onTop.ParseFromString(bytes({0x08, 0x80, 0x01})));  // 128 in two bytes
    EXPECT_TRUE(onTop.ontop());
}

TEST(WireFormat, RepeatedScalarTakesLastValueAndSubMessagesMerge) {
    // windowid "A" then "B"; setposition twice, first with x=3, then with y=4
    const std::string input = bytes({0x0A, 0x01, 'A', 0x0A, 0x01, 'B',
                                     0x2A, 0x02, 0x08, 0x03,
                                     0x2A, 0x02, 0x10, 0x04});
    windowMessage parsed;
    EXPECT_FALSE(parsed.ParseFromString(input));  // setposition still lacks required fields
    EXPECT_EQ(parsed.windowid(), "B");
    EXPECT_TRUE(parsed.setposition().has_x());
    EXPECT_TRUE(parsed.setposition().has_y());
    EXPECT_EQ(parsed.setposition().x(), 3);
    EXPECT_EQ(parsed.setposition().y(), 4);
}

TEST(WireFormat, ZeroValuesAreMarkedPresent) {
    windowMessage::setZoomLevel zoom;
    ASSERT_TRUE(zoom.ParseFromString(bytes({0x08, 0x00})));
    EXPECT_TRUE(zoom.has_zoom());
}

TEST(WireFormat, MalformedInputIsRejected) {
    const std::string valid = withId("W1").SerializeAsString();
    windowMessage parsed;
    EXPECT_FALSE(parsed.ParseFromString(valid.substr(0, 3)));               // stops inside a field
    EXPECT_FALSE(parsed.ParseFromString(valid + bytes({0x00})));            // key of 0
    EXPECT_FALSE(parsed.ParseFromString(valid + bytes({0x0C})));            // end group
    EXPECT_FALSE(parsed.ParseFromString(valid + bytes({0x12, 0x7F, 0x00}))); // length beyond the end
    EXPECT_FALSE(parsed.ParseFromString(""));                               // windowid missing
}

TEST(WireFormat, SetLocationShapeUnderFieldNumberIsNotSpecial) {
    // A setLocation-like body {x=1, y=2} under field 18 (getposition) merges into getposition.
    const std::string input = bytes({0x0A, 0x01, 'W', 0x92, 0x01, 0x04, 0x08, 0x01, 0x10, 0x02});
    windowMessage parsed;
    EXPECT_FALSE(parsed.ParseFromString(input));  // getposition lacks width and height
    EXPECT_EQ(parsed.getposition().x(), 1);
    EXPECT_EQ(parsed.getposition().y(), 2);
}
