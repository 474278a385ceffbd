// The ten writer operations against the stand-in writer: the frames they put
// on the wire, the answers they accept, and what a missing, short or late
// answer and a vanished writer do.
#include "writer_fixture.h"

#include "test_support.h"

#include <array>

namespace {

using testsupport::hex;

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    return hex(std::string(bytes.begin(), bytes.end()));
}

std::string Ff(int count) {
    std::string s;
    for (int i = 0; i < count; ++i)
        s += " FF";
    return s;
}

// The request frames sent, in order.
std::vector<std::string> Requests(const WriterStandIn& writer) {
    std::vector<std::string> frames;
    for (const StandInTransfer& t : writer.Wire())
        if (t.pipe == WriterPipeFrameOut) frames.push_back(Hex(t.bytes));
    return frames;
}

StandInFault Fault(StandInFault::Kind kind, std::uint8_t pipe, int times = 1) {
    StandInFault fault;
    fault.kind = kind;
    fault.pipe = pipe;
    fault.times = times;
    return fault;
}

using WriterProtocolTest = WriterFixture;

TEST_F(WriterProtocolTest, RequestFramesCarryCodeAndLittleEndianArgumentsPaddedWithFf) {
    auto writer = Connected();
    std::string major, minor;
    GetWriterVersion(major, minor);
    DetectChip(0x469D7F);
    EraseBlock(63);
    BeginWrite(0x3FFF00);
    EndWrite();
    BeginWrite(0);
    EndWrite();
    BeginRead(0x12345678); // the top byte is not sent
    EndRead();
    EndOperation();
    EXPECT_EQ(Requests(*writer), (std::vector<std::string>{
                                     "FE" + Ff(15),
                                     "40 7F 9D 46" + Ff(12),
                                     "42 3F" + Ff(14),
                                     "43 00 FF 3F" + Ff(12),
                                     "44" + Ff(15),
                                     "43 00 00 00" + Ff(12),
                                     "44" + Ff(15),
                                     "45 78 56 34" + Ff(12),
                                     "46" + Ff(15),
                                     "41" + Ff(15),
                                 }));
    EXPECT_TRUE(writer->Violations().empty()) << writer->Violations().front();
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(WriterProtocolTest, VersionAndDetectionAnswers) {
    auto writer = Connected();
    writer->SetVersion(2, 10);
    std::string major = "x", minor = "y";
    EXPECT_TRUE(GetWriterVersion(major, minor));
    EXPECT_EQ(major, "2");
    EXPECT_EQ(minor, "10");

    // A version answer without its status leaves the outputs alone.
    writer->InjectFault({StandInFault::WrongStatus, WriterPipeFrameIn, 0, 1, 1, 0x00});
    EXPECT_FALSE(GetWriterVersion(major, minor));
    EXPECT_EQ(major + "." + minor, "2.10");

    EXPECT_TRUE(DetectChip(StandInChipId));
    EXPECT_FALSE(DetectChip(0x123456)); // the writer answers status 01
    writer->InjectFault({StandInFault::WrongStatus, WriterPipeFrameIn, 0, 1, 1, 0x01});
    EXPECT_FALSE(DetectChip(StandInChipId));
    EXPECT_TRUE(Boxes().empty()); // a wrong answer is the caller's to report
}

TEST_F(WriterProtocolTest, OneByteAnswerSatisfiesEchoCommandsOnly) {
    auto writer = Connected();
    ASSERT_TRUE(DetectChip(StandInChipId));
    writer->InjectFault(Fault(StandInFault::ShortAnswer, WriterPipeFrameIn, -1));
    EXPECT_TRUE(EraseBlock(0));
    EXPECT_TRUE(BeginWrite(0));
    EXPECT_TRUE(EndWrite());
    EXPECT_TRUE(BeginRead(0));
    EXPECT_TRUE(EndRead());
    EXPECT_TRUE(EndOperation());
    // Their byte 2 reads as the FF the answer buffer was filled with.
    EXPECT_FALSE(DetectChip(StandInChipId));
    std::string major, minor;
    EXPECT_FALSE(GetWriterVersion(major, minor));
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(WriterProtocolTest, TransportFailuresShowTheirBoxAndSendNothingMore) {
    auto writer = Connected();

    writer->InjectFault(Fault(StandInFault::NoAnswer, WriterPipeFrameIn));
    EXPECT_FALSE(EndOperation());
    EXPECT_EQ(writer->WaitedMs(), 10000u);
    EXPECT_EQ(writer->Wire().size(), 2u); // the request and the unanswered read

    writer->ClearWire();
    writer->InjectFault(Fault(StandInFault::NoAnswer, WriterPipeFrameOut));
    EXPECT_FALSE(DetectChip(StandInChipId));
    EXPECT_EQ(writer->Wire().size(), 1u); // no answer is read after a failed request

    writer->ClearWire();
    writer->InjectFault(Fault(StandInFault::StartFails, WriterPipeFrameOut));
    EXPECT_FALSE(EraseBlock(1));
    EXPECT_EQ(writer->Wire().size(), 1u);

    writer->InjectFault(Fault(StandInFault::StartFails, WriterPipePageIn));
    std::array<std::uint8_t, WriterPageSize> page{};
    EXPECT_FALSE(ReadPage(page));

    EXPECT_EQ(Boxes(), (std::vector<std::string>{"ERROR: USB Time-Out!", "ERROR: USB Time-Out!",
                                                 "ERROR: USB Failed!", "ERROR: USB Failed!"}));
    // A failure never touches the connection.
    EXPECT_EQ(WriterConnection.Connected, 1);
    EXPECT_TRUE(log_.empty());
}

TEST_F(WriterProtocolTest, PagesReachTheChipAndComeBackIntoTheCallersBuffer) {
    auto writer = Connected();
    std::array<std::uint8_t, WriterPageSize> out;
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<std::uint8_t>(i * 7);
    ASSERT_TRUE(DetectChip(StandInChipId));
    ASSERT_TRUE(BeginWrite(0x3FFF00));
    EXPECT_TRUE(WritePage(out));
    EXPECT_TRUE(WritePage(out)); // past the end: the chip's addresses wrap
    EndWrite();
    EXPECT_EQ(writer->Chip()[0x3FFF01], 7);
    EXPECT_EQ(writer->Chip()[0x000002], 14);

    ASSERT_TRUE(BeginRead(0x3FFF00));
    std::array<std::uint8_t, WriterPageSize> in;
    in.fill(0x11);
    EXPECT_TRUE(ReadPage(in));
    EXPECT_EQ(in, out);

    // A short page fills only its front; a page that fails in transit
    // still counts as done and leaves the buffer alone.
    writer->InjectFault({StandInFault::ShortAnswer, WriterPipePageIn, 0, 1, 3});
    in.fill(0x11);
    EXPECT_TRUE(ReadPage(in));
    EXPECT_EQ(hex(std::string(in.begin(), in.begin() + 5)), "00 07 0E 11 11");
    writer->InjectFault(Fault(StandInFault::TransferError, WriterPipePageIn));
    in.fill(0x22);
    EXPECT_TRUE(ReadPage(in));
    EXPECT_EQ(in[0], 0x22);
    EndRead();
    EndOperation();

    EXPECT_TRUE(writer->Violations().empty()) << writer->Violations().front();
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(WriterProtocolTest, WriterPulledOutInAStreamRaisesOneBoxNotOnePerPage) {
    auto writer = Connected();
    ASSERT_TRUE(DetectChip(StandInChipId));
    ASSERT_TRUE(BeginRead(0));
    writer->InjectFault({StandInFault::Removal, WriterPipePageIn, 2, 1});
    std::array<std::uint8_t, WriterPageSize> page;
    int read = 0;
    for (int i = 0; i < 50; ++i)
        read += ReadPage(page) ? 1 : 0;
    EXPECT_FALSE(EndRead());
    EXPECT_FALSE(EndOperation());
    EXPECT_EQ(read, 2);
    EXPECT_TRUE(WriterGone());
    EXPECT_EQ(Boxes(), std::vector<std::string>{"ERROR: USB Failed!"});
}

TEST_F(WriterProtocolTest, WithoutAnInterfaceEveryOperationFailsThroughTheMessageHook) {
    std::vector<std::string> texts;
    SetWriterMessageHook([&](const char* text) { texts.push_back(text); });
    std::array<std::uint8_t, WriterPageSize> page{};
    EXPECT_FALSE(WritePage(page));
    EXPECT_FALSE(EndOperation());
    SetWriterMessageHook({});
    EXPECT_EQ(texts, (std::vector<std::string>{"USB Failed!", "USB Failed!"}));
    EXPECT_TRUE(Boxes().empty());
}

} // namespace
