// Test scaffolding: a temporary folder for device sockets and the
// TREVOHID_SIM list pointing at them.
#pragma once

#include "fake_device.h"
#include "trevohid.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>

constexpr uint16_t kVendor = 0x2047;
constexpr uint16_t kProduct = 0xffeb;

class SimTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/trevohid-test-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override {
        if (dev.is_open == 1)
            HID_Close(&dev);
        devices_.clear();
        ::unsetenv("TREVOHID_SIM");
        std::filesystem::remove_all(dir_);
    }

    // Adds a device to the list (and a scripted server behind it unless
    // with_server is false); the list is published at once.
    FakeDevice* add_device(const std::string& entry_head = "2047:ffeb:TR0001:0154",
                           bool with_server = true) {
        std::string path = dir_ + "/dev" + std::to_string(entries_++) + ".sock";
        list_ += (list_.empty() ? "" : ";") + entry_head + "@" + path;
        ::setenv("TREVOHID_SIM", list_.c_str(), 1);
        if (!with_server)
            return nullptr;
        devices_.push_back(std::make_unique<FakeDevice>(path));
        return devices_.back().get();
    }

    // Opens the first matching device into dev with the given read limit.
    void open_device(uint32_t read_timeout = 1000) {
        dev.read_timeout = read_timeout;
        HID_Init(&dev);
        ASSERT_EQ(HID_Open(&dev, kVendor, kProduct, 0), HID_OK);
    }

    // Sends a one-byte request, after which a device scripted with answer() speaks.
    void ask() {
        uint8_t request = 0x01;
        uint32_t written = 0;
        ASSERT_EQ(HID_WriteFile(&dev, &request, 1, &written), HID_OK);
    }

    static int64_t elapsed_ms(std::chrono::steady_clock::time_point since) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now() - since)
            .count();
    }

    HID_Device dev{};

  private:
    std::string dir_;
    std::string list_;
    int entries_ = 0;
    std::vector<std::unique_ptr<FakeDevice>> devices_;
};
