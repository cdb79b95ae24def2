// The hidraw backend on a machine without HID devices, and device notices.
#include "trevohid.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Ids no real device carries, so the tests hold wherever they run.
constexpr uint16_t kNoVendor = 0xfffe;
constexpr uint16_t kNoProduct = 0xfffd;

class HidrawTest : public ::testing::Test {
  protected:
    void SetUp() override { ::unsetenv("TREVOHID_SIM"); }
};

TEST_F(HidrawTest, NoMatchingDeviceIsFoundWithoutCrash) {
    EXPECT_EQ(HID_GetNumOfDevices(kNoVendor, kNoProduct), 0);
    HID_Device dev{};
    HID_Init(&dev);
    EXPECT_EQ(HID_Open(&dev, kNoVendor, kNoProduct, 0), HID_ERR_NO_DEVICE);
    EXPECT_EQ(dev.is_open, 0u);
    EXPECT_EQ(HID_Close(&dev), HID_ERR_NOT_OPEN);
}

TEST_F(HidrawTest, NotificationRegistrationIsASocketThatUnregisters) {
    int32_t reg = -1;
    int32_t r = HID_RegisterForDeviceNotification(nullptr, &reg);
    if (r != HID_OK) {
        EXPECT_EQ(r, HID_ERR_INVALID); // netlink refused in this sandbox
        return;
    }
    EXPECT_GT(reg, 2);
    char buf[64];
    EXPECT_LT(::recv(reg, buf, sizeof buf, MSG_DONTWAIT), 0) << "no notices without devices";
    EXPECT_EQ(HID_UnRegisterForDeviceNotification(reg), HID_OK);
    EXPECT_EQ(HID_UnRegisterForDeviceNotification(reg), HID_ERR_INVALID);
}

TEST_F(HidrawTest, UnregisterRefusesWhatIsNoRegistration) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    EXPECT_EQ(HID_UnRegisterForDeviceNotification(fds[0]), HID_ERR_INVALID);
    EXPECT_EQ(::close(fds[0]), 0) << "a foreign descriptor stays open";
    ::close(fds[1]);
    EXPECT_EQ(HID_UnRegisterForDeviceNotification(0), HID_ERR_INVALID);
    EXPECT_EQ(HID_UnRegisterForDeviceNotification(-1), HID_ERR_INVALID);
}

} // namespace
