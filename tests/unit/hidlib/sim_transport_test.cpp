// Opening, counting, identity and departure of devices on the simulated transport.
#include "sim_env.h"

#include <poll.h>
#include <sys/socket.h>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

std::u16string serial_of(HID_Device& dev, uint32_t bytes = 64) {
    std::vector<uint16_t> buf(bytes / 2 + 1, 0xAAAA);
    if (HID_GetSerialNumber(&dev, buf.data(), bytes) != HID_OK)
        return u"<failed>";
    EXPECT_EQ(buf[bytes / 2], 0xAAAA) << "written past the buffer";
    std::u16string s;
    for (size_t i = 0; i < bytes / 2 && buf[i] != 0; ++i)
        s += char16_t(buf[i]);
    return s;
}

class OpenTest : public SimTest {};

TEST_F(OpenTest, InitPresetsOnlyUnsetTimeouts) {
    std::memset(&dev, 0x5A, sizeof dev);
    dev.read_timeout = 0;
    dev.write_timeout = 42;
    HID_Init(&dev);
    EXPECT_EQ(dev.handle, 0);
    EXPECT_EQ(dev.is_open, 0u);
    EXPECT_EQ(dev.read_timeout, 1000u);
    EXPECT_EQ(dev.write_timeout, 42u);
    EXPECT_EQ(dev.input_report_length, 0);
    EXPECT_EQ(dev.output_report_length, 0);
    EXPECT_EQ(dev.rx_pending, 0);
    EXPECT_EQ(dev.rx_packets_left, 0);
    for (uint32_t w : dev.read_wait)
        EXPECT_EQ(w, 0u);
    for (uint32_t w : dev.write_wait)
        EXPECT_EQ(w, 0u);
}

TEST_F(OpenTest, OpenTakesReportLengthsAndCloseResetsTheRecord) {
    add_device();
    open_device();
    EXPECT_EQ(dev.is_open, 1u);
    EXPECT_GT(dev.handle, 2);
    EXPECT_EQ(dev.input_report_length, 64);
    EXPECT_EQ(dev.output_report_length, 64);
    EXPECT_EQ(HID_Open(&dev, kVendor, kProduct, 0), HID_ERR_BUSY) << "open on an open record";
    EXPECT_EQ(HID_Close(&dev), HID_OK);
    EXPECT_EQ(dev.is_open, 0u);
    EXPECT_EQ(dev.handle, -1);
    EXPECT_EQ(HID_Close(&dev), HID_ERR_NOT_OPEN) << "close on a closed record";
}

TEST_F(OpenTest, CloseOfAnOpenRecordWithoutHandleIsRefused) {
    HID_Init(&dev);
    EXPECT_EQ(HID_Close(&dev), HID_ERR_NOT_OPEN);
    dev.is_open = 1; // handle 0 from HID_Init
    EXPECT_EQ(HID_Close(&dev), HID_ERR_INVALID);
    dev.handle = -1;
    EXPECT_EQ(HID_Close(&dev), HID_ERR_INVALID);
}

TEST_F(OpenTest, DeviceHeldByAnotherClientIsCountedAndRefused) {
    FakeDevice* device = add_device();
    device->hold_elsewhere(true);
    EXPECT_EQ(HID_GetNumOfDevices(kVendor, kProduct), 1);
    HID_Init(&dev);
    EXPECT_EQ(HID_Open(&dev, kVendor, kProduct, 0), HID_ERR_BUSY);
    EXPECT_EQ(dev.is_open, 0u);

    // The same with a second record of ours holding it.
    device->hold_elsewhere(false);
    open_device();
    HID_Device other{};
    HID_Init(&other);
    EXPECT_EQ(HID_Open(&other, kVendor, kProduct, 0), HID_ERR_BUSY);
    EXPECT_EQ(HID_GetNumOfDevices(kVendor, kProduct), 1);
}

TEST_F(OpenTest, CountingReleasesEachDeviceAtOnce) {
    FakeDevice* device = add_device();
    add_device("2047:ffeb:TR0002:0154");
    add_device("2047:1234:TR0003:0154"); // another product
    EXPECT_EQ(HID_GetNumOfDevices(kVendor, kProduct), 2);
    EXPECT_EQ(HID_GetNumOfDevices(kVendor, 0x1234), 1);
    EXPECT_EQ(HID_GetNumOfDevices(0x1111, 0x2222), 0);
    open_device();
    EXPECT_EQ(device->connections(), 2);
}

TEST_F(OpenTest, IndexCountsMatchesInListOrder) {
    add_device("2047:ffeb:FIRST:0100");
    add_device("2047:aaaa:OTHER:0100");
    add_device("2047:FFEB:SECOND:0200"); // upper-case hex in the list is fine
    HID_Init(&dev);
    ASSERT_EQ(HID_Open(&dev, kVendor, kProduct, 1), HID_OK);
    EXPECT_EQ(serial_of(dev), u"SECOND");
    uint16_t version = 0;
    EXPECT_EQ(HID_GetVersionNumber(&dev, &version), HID_OK);
    EXPECT_EQ(version, 0x0200);
    HID_Close(&dev);
    HID_Init(&dev);
    EXPECT_EQ(HID_Open(&dev, kVendor, kProduct, 2), HID_ERR_NO_DEVICE);
    EXPECT_EQ(HID_Open(&dev, kVendor, kProduct, 500), HID_ERR_NO_DEVICE);
}

TEST_F(OpenTest, UnreachableDeviceIsAFailedOpen) {
    add_device("2047:ffeb:TR0001:0154", false); // nobody listens
    HID_Init(&dev);
    EXPECT_EQ(HID_Open(&dev, kVendor, kProduct, 0), HID_ERR_NO_DEVICE);
    EXPECT_EQ(HID_GetNumOfDevices(kVendor, kProduct), 0);
}

TEST_F(OpenTest, SerialInUtf16AndReleaseNumberFromTheList) {
    add_device("2047:ffeb:TR0001:0154");
    open_device();
    EXPECT_EQ(serial_of(dev), u"TR0001");
    EXPECT_EQ(serial_of(dev, 6), u"TR") << "cut to the buffer with its terminating 0";
    uint16_t unit = 0xAAAA;
    EXPECT_EQ(HID_GetSerialNumber(&dev, &unit, 1), HID_ERR_INVALID);
    uint16_t version = 0;
    EXPECT_EQ(HID_GetVersionNumber(&dev, &version), HID_OK);
    EXPECT_EQ(version, 0x0154);
    HID_Close(&dev);
    EXPECT_EQ(HID_GetVersionNumber(&dev, &version), HID_ERR_INVALID);
    EXPECT_EQ(serial_of(dev), u"<failed>");
}

TEST_F(OpenTest, FlushDiscardsQueuedReports) {
    add_device()->script(answer(message_steps(pattern(100))));
    open_device(200);
    ask();
    pollfd p{dev.handle, POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 2000), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(50)); // both packets in
    dev.rx_pending = 5;
    EXPECT_EQ(HID_FlushBuffer(&dev), HID_OK);
    EXPECT_EQ(dev.rx_pending, 0);
    uint8_t buf[200];
    uint32_t got = 1;
    EXPECT_EQ(HID_ReadFile(&dev, buf, sizeof buf, &got), HID_ERR_TIMEOUT);
    EXPECT_EQ(got, 0u);
    HID_Close(&dev);
    EXPECT_EQ(HID_FlushBuffer(&dev), HID_ERR_INVALID);
}

class GoneTest : public SimTest {};

TEST_F(GoneTest, DeviceLeavingDuringAReadFailsAtOnce) {
    add_device()->script(answer({send(report(1, 3, pattern(60))), pause(200), close_connection()}));
    open_device(20000);
    ask();
    EXPECT_EQ(HID_IsDeviceAffected(&dev), 0);
    uint8_t buf[200];
    uint32_t got = 0;
    auto start = Clock::now();
    EXPECT_EQ(HID_ReadFile(&dev, buf, sizeof buf, &got), HID_ERR_IO);
    EXPECT_LT(elapsed_ms(start), 10000) << "no wait for the read limit";
    EXPECT_EQ(got, 60u);
    EXPECT_EQ(HID_IsDeviceAffected(&dev), 1);
    // Every later transfer fails at once as well.
    start = Clock::now();
    EXPECT_EQ(HID_ReadFile(&dev, buf, sizeof buf, &got), HID_ERR_IO);
    EXPECT_EQ(got, 0u);
    uint32_t written = 9;
    EXPECT_EQ(HID_WriteFile(&dev, buf, 100, &written), HID_ERR_IO);
    EXPECT_EQ(written, 0u);
    EXPECT_LT(elapsed_ms(start), 10000);
    EXPECT_EQ(HID_Close(&dev), HID_OK);
}

TEST_F(GoneTest, DeviceLeavingBeforeAWriteFailsIt) {
    add_device()->script({close_connection()});
    open_device();
    dev.write_timeout = 20000;
    auto start = Clock::now();
    while (HID_IsDeviceAffected(&dev) == 0 && elapsed_ms(start) < 5000)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(HID_IsDeviceAffected(&dev), 1);
    Bytes message = pattern(200);
    uint32_t written = 9;
    EXPECT_EQ(HID_WriteFile(&dev, message.data(), 200, &written), HID_ERR_IO);
    EXPECT_EQ(written, 0u);
}

TEST_F(GoneTest, ReportsSentBeforeLeavingAreStillRead) {
    Bytes message = pattern(90);
    std::vector<Step> steps = message_steps(message);
    steps.push_back(close_connection());
    add_device()->script(answer(steps));
    open_device();
    ask();
    pollfd p{dev.handle, POLLRDHUP, 0};
    ASSERT_EQ(::poll(&p, 1, 2000), 1);
    EXPECT_EQ(HID_IsDeviceAffected(&dev), 1);
    uint8_t buf[100];
    uint32_t got = 0;
    EXPECT_EQ(HID_ReadFile(&dev, buf, sizeof buf, &got), HID_OK);
    EXPECT_EQ(Bytes(buf, buf + got), message);
}

TEST_F(GoneTest, RecordNotOpenCountsAsAffected) {
    HID_Init(&dev);
    EXPECT_EQ(HID_IsDeviceAffected(&dev), 1);
    EXPECT_EQ(HID_IsDeviceAffected(nullptr), 1);
}

TEST(NullArguments, AreRefusedWithoutCrash) {
    HID_Device dev{};
    HID_Init(&dev);
    uint32_t n = 0;
    EXPECT_EQ(HID_Init(nullptr), HID_ERR_INVALID);
    EXPECT_EQ(HID_Open(nullptr, kVendor, kProduct, 0), HID_ERR_INVALID);
    EXPECT_EQ(HID_Close(nullptr), HID_ERR_INVALID);
    EXPECT_EQ(HID_WriteFile(nullptr, "x", 1, &n), HID_ERR_INVALID);
    EXPECT_EQ(HID_WriteFile(&dev, nullptr, 1, &n), HID_ERR_INVALID);
    EXPECT_EQ(HID_ReadFile(nullptr, &n, 1, &n), HID_ERR_INVALID);
    EXPECT_EQ(HID_ReadFile(&dev, nullptr, 1, &n), HID_ERR_INVALID);
    EXPECT_EQ(HID_GetSerialNumber(&dev, nullptr, 10), HID_ERR_INVALID);
    EXPECT_EQ(HID_GetVersionNumber(&dev, nullptr), HID_ERR_INVALID);
    EXPECT_EQ(HID_FlushBuffer(nullptr), HID_ERR_INVALID);
    EXPECT_EQ(HID_RegisterForDeviceNotification(nullptr, nullptr), HID_ERR_INVALID);
}

} // namespace
