// The packet layer over the simulated transport, against a scripted device.
#include "sim_env.h"

#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;

struct Received {
    int32_t code;
    Bytes bytes;
};

Received read_into(HID_Device& dev, uint32_t room) {
    Bytes buf(room + 16, 0xEE);
    uint32_t got = 12345;
    int32_t code = HID_ReadFile(&dev, buf.data(), room, &got);
    EXPECT_LE(got, room);
    // Nothing beyond the room the caller gave is touched.
    for (size_t i = room; i < buf.size(); ++i)
        EXPECT_EQ(buf[i], 0xEE) << "byte " << i << " written past the buffer";
    buf.resize(std::min(got, room));
    return {code, buf};
}

class WriteTest : public SimTest {};

struct WriteCase {
    size_t length;
    size_t packets;
};

TEST_F(WriteTest, CutsMessagesIntoNumberedReportsOf60Bytes) {
    const WriteCase cases[] = {{1, 1}, {60, 1}, {61, 2}, {120, 2}, {121, 3}, {15300, 255}};
    FakeDevice* device = add_device();
    open_device();
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(c.length);
        size_t before = device->received().size();
        Bytes message = pattern(c.length, uint8_t(c.length));
        uint32_t written = 0;
        ASSERT_EQ(HID_WriteFile(&dev, message.data(), uint32_t(c.length), &written), HID_OK);
        EXPECT_EQ(written, c.length);
        ASSERT_TRUE(device->wait_received(before + c.packets, 5000));
        std::vector<Bytes> all = device->received();
        ASSERT_EQ(all.size(), before + c.packets);
        std::vector<Bytes> reports(all.begin() + long(before), all.end());
        Bytes joined;
        for (size_t i = 0; i < reports.size(); ++i) {
            const Bytes& r = reports[i];
            ASSERT_EQ(r.size(), 64u) << "every output report is one 64-byte datagram";
            EXPECT_EQ(r[0], 0x54);
            EXPECT_EQ(r[1], i + 1);
            EXPECT_EQ(r[2], c.packets);
            size_t n = i + 1 < c.packets ? 60 : c.length - 60 * (c.packets - 1);
            EXPECT_EQ(r[3], n);
            joined.insert(joined.end(), r.begin() + 4, r.begin() + 4 + r[3]);
        }
        EXPECT_EQ(joined, message);
    }
}

TEST_F(WriteTest, RefusesAMessageAbove15300BytesAndSendsNothing) {
    FakeDevice* device = add_device();
    open_device();
    Bytes message = pattern(15301);
    uint32_t written = 777;
    EXPECT_EQ(HID_WriteFile(&dev, message.data(), 15301, &written), HID_ERR_TOO_LONG);
    EXPECT_EQ(written, 777u) << "written is not set on -8";
    // The next message is the first thing the device sees.
    ASSERT_EQ(HID_WriteFile(&dev, message.data(), 5, &written), HID_OK);
    ASSERT_TRUE(device->wait_received(1, 2000));
    std::vector<Bytes> reports = device->received();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0][3], 5);
}

TEST_F(WriteTest, NeverOpenedRecordGivesNotOpenWithNothingWritten) {
    HID_Init(&dev);
    Bytes message = pattern(61);
    uint32_t written = 99;
    EXPECT_EQ(HID_WriteFile(&dev, message.data(), 61, &written), HID_ERR_NOT_OPEN);
    EXPECT_EQ(written, 0u);
}

TEST_F(WriteTest, ReportLengthsThatCannotCarryAPacketFailInsteadOfOverrunning) {
    // A record whose report lengths are unknown (0), too short for the packet
    // or beyond any sane report must fail, not claim success or overrun.
    const uint16_t lengths[] = {0, 3, 10, 63, 60000};
    FakeDevice* device = add_device();
    open_device();
    Bytes message = pattern(60);
    for (uint16_t len : lengths) {
        SCOPED_TRACE(len);
        dev.output_report_length = len;
        uint32_t written = 99;
        EXPECT_EQ(HID_WriteFile(&dev, message.data(), 60, &written), HID_ERR_IO);
        EXPECT_EQ(written, 0u);
    }
    dev.output_report_length = 64;
    EXPECT_EQ(HID_WriteFile(&dev, message.data(), 60, nullptr), HID_OK);
    ASSERT_TRUE(device->wait_received(1, 2000));
    EXPECT_EQ(device->received().size(), 1u);
}

class ReadTest : public SimTest {};

TEST_F(ReadTest, WholeMessageInOneRead) {
    Bytes message = pattern(150);
    add_device()->script(answer(message_steps(message)));
    open_device();
    ask();
    Received r = read_into(dev, 200);
    EXPECT_EQ(r.code, HID_OK);
    EXPECT_EQ(r.bytes, message);
    EXPECT_EQ(dev.rx_packets_left, 0);
}

TEST_F(ReadTest, MessageLargerThanBufferComesInTwoReads) {
    // 150 bytes, 100-byte buffer: -7 with 100, then 1 with the last 50 as
    // soon as the third packet is in (long before the read limit).
    Bytes message = pattern(150);
    add_device()->script(answer(message_steps(message)));
    open_device(8000);
    ask();
    Received first = read_into(dev, 100);
    EXPECT_EQ(first.code, HID_ERR_BUFFER_FULL);
    EXPECT_EQ(first.bytes, Bytes(message.begin(), message.begin() + 100));
    auto start = Clock::now();
    Received second = read_into(dev, 100);
    EXPECT_EQ(second.code, HID_OK_PENDING);
    EXPECT_EQ(second.bytes, Bytes(message.begin() + 100, message.end()));
    EXPECT_LT(elapsed_ms(start), 4000) << "the last packet ends the read";
}

TEST_F(ReadTest, RestOfALastPacketIsHandedOverAfterTheReadLimit) {
    // 120 bytes, 100-byte buffer: the second read has nothing more to wait
    // for but cannot know it; it returns 1 with the last 20 after read_timeout.
    Bytes message = pattern(120);
    add_device()->script(answer(message_steps(message)));
    open_device(300);
    ask();
    Received first = read_into(dev, 100);
    EXPECT_EQ(first.code, HID_ERR_BUFFER_FULL);
    EXPECT_EQ(first.bytes.size(), 100u);
    auto start = Clock::now();
    Received second = read_into(dev, 100);
    EXPECT_GE(elapsed_ms(start), 290);
    EXPECT_EQ(second.code, HID_OK_PENDING);
    EXPECT_EQ(second.bytes, Bytes(message.begin() + 100, message.end()));
}

TEST_F(ReadTest, AnyBufferSizeCollectsTheWholeMessage) {
    const uint32_t rooms[] = {1, 7, 59, 60, 61, 100, 149, 150, 151};
    Bytes message = pattern(150, 3);
    add_device()->script(answer(message_steps(message))); // played again at every open
    for (uint32_t room : rooms) {
        SCOPED_TRACE(room);
        open_device(150);
        ask();
        Bytes joined;
        Received r{HID_ERR_BUFFER_FULL, {}};
        int reads = 0;
        while (r.code == HID_ERR_BUFFER_FULL && reads++ < 200) {
            r = read_into(dev, room);
            joined.insert(joined.end(), r.bytes.begin(), r.bytes.end());
        }
        EXPECT_TRUE(r.code == HID_OK || r.code == HID_OK_PENDING) << r.code;
        EXPECT_EQ(joined, message);
        HID_Close(&dev);
    }
}

TEST_F(ReadTest, PacketOutOfSequenceGivesMinus6AndClearsPacketsLeft) {
    Bytes a = pattern(60), b = pattern(60, 9);
    add_device()->script(answer({send(report(1, 3, a)), send(report(3, 3, b))}));
    open_device();
    ask();
    Received r = read_into(dev, 200);
    EXPECT_EQ(r.code, HID_ERR_SEQUENCE);
    EXPECT_EQ(dev.rx_packets_left, 0);
    EXPECT_EQ(r.bytes, a) << "the bytes placed before the fault are counted";
}

TEST_F(ReadTest, SilenceGivesMinus4AndPartThenSilenceGivesTheBytes) {
    FakeDevice* device = add_device();
    open_device(100);
    ask();
    Received nothing = read_into(dev, 100);
    EXPECT_EQ(nothing.code, HID_ERR_TIMEOUT);
    EXPECT_TRUE(nothing.bytes.empty());
    HID_Close(&dev);

    Bytes part = pattern(60);
    device->script(answer({send(report(1, 2, part))}));
    open_device(200);
    ask();
    Received some = read_into(dev, 200);
    EXPECT_EQ(some.code, HID_OK);
    EXPECT_EQ(some.bytes, part);
    EXPECT_EQ(dev.rx_packets_left, 1);
}

TEST_F(ReadTest, MessageCutByDeviceIsContinuedByResync) {
    // After a read that ended with packets left, the next read takes up the
    // next packet number that comes, whatever it is.
    Bytes a = pattern(60), c = pattern(30, 5);
    add_device()->script(answer({send(report(1, 3, a)), pause(400), send(report(3, 3, c))}));
    open_device(200);
    ask();
    Received first = read_into(dev, 200);
    EXPECT_EQ(first.code, HID_OK);
    EXPECT_EQ(dev.rx_packets_left, 2);
    dev.read_timeout = 2000;
    Received second = read_into(dev, 200);
    EXPECT_EQ(second.code, HID_OK);
    EXPECT_EQ(second.bytes, c);
}

TEST_F(ReadTest, MalformedAndForeignReportsAreIgnored) {
    Bytes message = pattern(70);
    std::vector<Step> steps = {
        send(report(1, 1, pattern(60), 61)),  // payload length above 60
        send(report(1, 1, pattern(60), 255)), // far above
        send(Bytes{0x54, 1, 1, 40, 1, 2, 3}), // payload beyond the report
        send(Bytes{0x54, 1}),                 // shorter than a header
        send(Bytes(200, 0x54)),               // longer than a report
        send([] {
            Bytes r = report(1, 1, pattern(10));
            r[0] = 0x53;
            return r;
        }()),
    };
    for (const Step& s : message_steps(message))
        steps.push_back(s);
    add_device()->script(answer(steps));
    open_device();
    ask();
    Received r = read_into(dev, 100);
    EXPECT_EQ(r.code, HID_OK);
    EXPECT_EQ(r.bytes, message);
}

TEST_F(ReadTest, StreamOfIgnoredReportsDoesNotHoldTheReadBeyondItsLimit) {
    // Foreign reports every 10 ms for 3 s; the read limit is 300 ms.
    Bytes foreign(64, 0x11);
    std::vector<Step> steps;
    for (int i = 0; i < 300; ++i) {
        steps.push_back(send(foreign));
        steps.push_back(pause(10));
    }
    add_device()->script(answer(steps));
    open_device(300);
    ask();
    auto start = Clock::now();
    Received r = read_into(dev, 100);
    EXPECT_EQ(r.code, HID_ERR_TIMEOUT);
    EXPECT_TRUE(r.bytes.empty());
    EXPECT_GE(elapsed_ms(start), 290);
    EXPECT_LT(elapsed_ms(start), 2000);
}

TEST_F(ReadTest, DamagedRecordCountsAreNotTrusted) {
    // Report lengths beyond the receive buffer or too short for a header,
    // and a pending count beyond the buffer, must not overrun anything.
    add_device()->script(answer(message_steps(pattern(10))));
    open_device(200);
    ask();
    dev.input_report_length = 2;
    EXPECT_EQ(read_into(dev, 100).code, HID_ERR_IO);
    dev.input_report_length = 60000;
    dev.rx_pending = 9000;
    Received r = read_into(dev, 100);
    EXPECT_EQ(r.code, HID_OK);
    EXPECT_EQ(r.bytes, pattern(10));
}

TEST_F(ReadTest, NotOpenRecordGivesMinus2) {
    HID_Init(&dev);
    EXPECT_EQ(read_into(dev, 100).code, HID_ERR_NOT_OPEN);
}

TEST_F(ReadTest, WriteThenReadAnswer) {
    Bytes question = pattern(47), answer = pattern(43, 1);
    std::vector<Step> steps = {await_reports(1)};
    for (const Step& s : message_steps(answer))
        steps.push_back(s);
    add_device()->script(steps);
    open_device();
    uint32_t written = 0;
    ASSERT_EQ(HID_WriteFile(&dev, question.data(), 47, &written), HID_OK);
    EXPECT_EQ(written, 47u);
    Received r = read_into(dev, 15300);
    EXPECT_EQ(r.code, HID_OK);
    EXPECT_EQ(r.bytes, answer);
}

} // namespace
