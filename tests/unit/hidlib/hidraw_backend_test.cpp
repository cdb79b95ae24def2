// The hidraw backend's transfers, on a socket pair standing in for a device node.
#include "hid_internal.h"

#include <chrono>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

class HidrawTransfer : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET, 0, fds_), 0);
        HID_Init(&dev);
        dev.handle = fds_[0];
        dev.is_open = 1;
        dev.read_wait[HID_WAIT_KIND] = HID_KIND_HIDRAW;
    }
    void TearDown() override {
        ::close(fds_[0]);
        if (fds_[1] >= 0)
            ::close(fds_[1]);
    }
    void device_sends(const std::vector<uint8_t>& r) {
        ASSERT_EQ(::send(fds_[1], r.data(), r.size(), 0), ssize_t(r.size()));
    }
    void device_leaves() {
        ::close(fds_[1]);
        fds_[1] = -1;
    }
    int32_t read(size_t cap, uint32_t timeout_ms = 100) {
        buf.assign(cap, 0xEE);
        got = 99;
        return hid_hidraw_backend.read_report(&dev, buf.data(), cap, timeout_ms, &got);
    }

    HID_Device dev{};
    std::vector<uint8_t> buf;
    size_t got = 0;

  private:
    int fds_[2] = {-1, -1};
};

TEST_F(HidrawTransfer, NumberedReportsArriveAsTheyAre) {
    device_sends({0x54, 1, 1, 2, 0xAA, 0xBB});
    ASSERT_EQ(read(64), HID_OK);
    EXPECT_EQ(got, 6u);
    EXPECT_EQ(buf[0], 0x54);
    EXPECT_EQ(buf[5], 0xBB);
}

TEST_F(HidrawTransfer, UnnumberedReportsGetTheZeroIdByteInFront) {
    dev.read_wait[HID_WAIT_FLAGS] = HID_FLAG_UNNUMBERED;
    device_sends({0x54, 1, 1});
    ASSERT_EQ(read(64), HID_OK);
    EXPECT_EQ(got, 4u);
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(buf[1], 0x54);
    EXPECT_EQ(read(1), HID_ERR_IO) << "no room for more than the id byte";
}

TEST_F(HidrawTransfer, SilenceRunsOutTheTimeLimit) {
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(read(64, 150), HID_ERR_TIMEOUT);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(140));
    EXPECT_EQ(got, 0u);
}

TEST_F(HidrawTransfer, RemovalFailsAtOnceAfterTheQueuedReports) {
    device_sends({0x54, 1, 1, 1, 0x01});
    device_leaves();
    ASSERT_EQ(read(64, 20000), HID_OK) << "a report queued before the removal";
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(read(64, 20000), HID_ERR_IO);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_NE(dev.read_wait[HID_WAIT_FLAGS] & HID_FLAG_GONE, 0u);
    EXPECT_EQ(hid_hidraw_backend.gone(&dev), 1);
    size_t sent = 7;
    const uint8_t r[4] = {0x54, 1, 1, 0};
    EXPECT_EQ(hid_hidraw_backend.write_report(&dev, r, sizeof r, 20000, &sent), HID_ERR_IO);
    EXPECT_EQ(sent, 0u);
}

TEST_F(HidrawTransfer, WriteReportsTheBytesThatWentOut) {
    const uint8_t r[64] = {0x54, 1, 1, 1, 0x42};
    size_t sent = 0;
    ASSERT_EQ(hid_hidraw_backend.write_report(&dev, r, sizeof r, 500, &sent), HID_OK);
    EXPECT_EQ(sent, 64u);
    device_leaves();
    EXPECT_EQ(hid_hidraw_backend.write_report(&dev, r, sizeof r, 20000, &sent), HID_ERR_IO);
}

} // namespace
