// TrevoHID's read path: arbitrary input reports (any lengths, packet numbers
// and counts) after one request, joined into a small caller buffer.
#include "fake_device.h"

#include <cstdlib>
#include <trevohid.h>

static pelquor::fuzz::FakeDevice* device;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    device = new pelquor::fuzz::FakeDevice;
    ::setenv("TREVOHID_SIM", device->sim_entry().c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pelquor::fuzz;
    // Byte 0 picks the caller's buffer size; the rest are raw 64-byte reports.
    if (size < 1)
        return 0;
    const uint32_t buffer_size = 1 + data[0] * 4;
    Reply reports;
    for (size_t pos = 1; pos < size; pos += 64) {
        Report r{};
        std::memcpy(r.data(), data + pos, std::min<size_t>(64, size - pos));
        reports.push_back(r);
    }
    device->set_script({reports});
    HID_Device dev{};
    HID_Init(&dev);
    dev.read_timeout = 2;
    dev.write_timeout = 50;
    if (HID_Open(&dev, 0x2047, 0xffeb, 0) != HID_OK)
        return 0;
    const uint8_t request[3] = {1, 2, 3};
    uint32_t written = 0;
    HID_WriteFile(&dev, request, sizeof request, &written);
    std::vector<uint8_t> buffer(buffer_size);
    for (int i = 0; i < 300; ++i) {
        uint32_t received = 0;
        int32_t rc = HID_ReadFile(&dev, buffer.data(), buffer_size, &received);
        if (received > buffer_size)
            std::abort();
        if (rc != HID_ERR_BUFFER_FULL && rc != HID_ERR_SEQUENCE && rc != HID_OK &&
            rc != HID_OK_PENDING)
            break;
    }
    HID_Close(&dev);
    return 0;
}
