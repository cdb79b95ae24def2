/* Compiled as C11: the interface must be usable from plain C. */
#define _POSIX_C_SOURCE 200809L
#include "trevohid.h"

#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>

static int failures = 0;

#define CHECK(cond)                                                                                \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #cond);                             \
            ++failures;                                                                            \
        }                                                                                          \
    } while (0)

int main(void) {
    static HID_Device dev; /* 8 KiB: not on the stack */
    uint32_t written = 77;
    uint16_t serial[16];
    uint16_t version = 0;
    unsigned char message[61] = {0};

    CHECK(sizeof(HID_Device) == 8256);
    CHECK(offsetof(HID_Device, read_wait) == 16);
    CHECK(offsetof(HID_Device, write_wait) == 36);
    CHECK(offsetof(HID_Device, output_report_length) == 58);
    CHECK(offsetof(HID_Device, rx_pending) == 8252);

    /* An empty simulated list: no device, whatever is plugged in. */
    CHECK(setenv("TREVOHID_SIM", "", 1) == 0);

    dev.read_timeout = 250;
    CHECK(HID_Init(&dev) == HID_OK);
    CHECK(dev.handle == 0 && dev.is_open == 0);
    CHECK(dev.read_timeout == 250 && dev.write_timeout == 500);

    CHECK(HID_WriteFile(&dev, message, sizeof message, &written) == HID_ERR_NOT_OPEN);
    CHECK(written == 0);
    CHECK(HID_Close(&dev) == HID_ERR_NOT_OPEN);
    CHECK(HID_GetNumOfDevices(0x2047, 0xffeb) == 0);
    CHECK(HID_Open(&dev, 0x2047, 0xffeb, 0) == HID_ERR_NO_DEVICE);
    CHECK(HID_GetSerialNumber(&dev, serial, sizeof serial) == HID_ERR_INVALID);
    CHECK(HID_GetVersionNumber(&dev, &version) == HID_ERR_INVALID);
    CHECK(HID_IsDeviceAffected(&dev) == 1);

    if (failures == 0)
        puts("trevohid C interface: ok");
    return failures == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}
