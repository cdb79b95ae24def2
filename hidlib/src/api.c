/* The exported calls: device search, open and close, and the packet layer
 * that cuts messages into numbered reports and joins them again. */
#include "hid_internal.h"

#include <stddef.h>
#include <stdlib.h>
#include <string.h>

_Static_assert(sizeof(HID_Device) == 8256, "the device record has a fixed layout");
_Static_assert(offsetof(HID_Device, input_report_length) == 56, "fields in their order");
_Static_assert(offsetof(HID_Device, rx_buffer) == 60, "fields in their order");
_Static_assert(offsetof(HID_Device, rx_packets_left) == 8254, "fields in their order");

/* Longest wait for a simulated device to say whether it is free. */
#define OPEN_ANSWER_MS 2000

static const hid_backend* platform_backend(void) {
    return getenv("TREVOHID_SIM") != NULL ? &hid_sim_backend : &hid_hidraw_backend;
}

static const hid_backend* backend_of(const HID_Device* dev) {
    switch (dev->read_wait[HID_WAIT_KIND]) {
    case HID_KIND_HIDRAW:
        return &hid_hidraw_backend;
    case HID_KIND_SIM:
        return &hid_sim_backend;
    default:
        return NULL;
    }
}

static int handle_valid(const HID_Device* dev) {
    return dev->handle != 0 && dev->handle != -1;
}

/* The record's open device, or NULL when it is not open with a usable handle. */
static const hid_backend* open_backend(const HID_Device* dev) {
    if (dev->is_open != 1 || !handle_valid(dev))
        return NULL;
    return backend_of(dev);
}

int32_t HID_Init(HID_Device* dev) {
    if (dev == NULL)
        return HID_ERR_INVALID;
    dev->handle = 0;
    dev->is_open = 0;
    dev->rx_pending = 0;
    dev->rx_packets_left = 0;
    dev->input_report_length = 0;
    dev->output_report_length = 0;
    memset(dev->read_wait, 0, sizeof dev->read_wait);
    memset(dev->write_wait, 0, sizeof dev->write_wait);
    if (dev->read_timeout == 0)
        dev->read_timeout = HID_DEFAULT_READ_TIMEOUT;
    if (dev->write_timeout == 0)
        dev->write_timeout = HID_DEFAULT_WRITE_TIMEOUT;
    return HID_OK;
}

/* Lists the present devices into a list that lives for this call only. */
static int32_t list_devices(const hid_backend* b, hid_entry** list, size_t* count) {
    *list = calloc(HID_MAX_INTERFACES, sizeof **list);
    *count = 0;
    if (*list == NULL)
        return HID_ERR_PLATFORM;
    int32_t r = b->enumerate(*list, HID_MAX_INTERFACES, count);
    if (r != HID_OK) {
        free(*list);
        *list = NULL;
    }
    return r;
}

int32_t HID_Open(HID_Device* dev, uint16_t vendor_id, uint16_t product_id, uint32_t index) {
    if (dev == NULL)
        return HID_ERR_INVALID;
    if (dev->is_open == 1)
        return HID_ERR_BUSY;
    const hid_backend* b = platform_backend();
    hid_entry* list;
    size_t count, pos;
    if (list_devices(b, &list, &count) != HID_OK)
        return HID_ERR_NO_DEVICE;
    int32_t r = hid_select(list, count, vendor_id, product_id, index, b->paths_carry_ids, &pos);
    hid_entry entry;
    if (r == HID_OK)
        entry = list[pos];
    free(list);
    if (r != HID_OK)
        return HID_ERR_NO_DEVICE;

    int fd = -1;
    uint32_t flags = 0;
    r = b->open(&entry, OPEN_ANSWER_MS, &fd, &flags);
    if (r == HID_OPEN_HELD)
        return HID_ERR_BUSY;
    if (r != HID_OK)
        return HID_ERR_NO_DEVICE;

    dev->handle = fd;
    dev->is_open = 1;
    memset(dev->read_wait, 0, sizeof dev->read_wait);
    memset(dev->write_wait, 0, sizeof dev->write_wait);
    dev->read_wait[HID_WAIT_KIND] = b->kind;
    dev->read_wait[HID_WAIT_POSITION] = entry.position;
    dev->read_wait[HID_WAIT_RELEASE] = entry.release;
    dev->read_wait[HID_WAIT_IDS] = (uint32_t)entry.vendor << 16 | entry.product;
    uint16_t in_len = 0, out_len = 0;
    if (b->capabilities(fd, &in_len, &out_len, &flags) == HID_OK) {
        if (in_len != 0)
            dev->input_report_length = in_len;
        if (out_len != 0)
            dev->output_report_length = out_len;
    }
    dev->read_wait[HID_WAIT_FLAGS] = flags;
    HID_FlushBuffer(dev);
    return HID_OK;
}

int32_t HID_Close(HID_Device* dev) {
    if (dev == NULL)
        return HID_ERR_INVALID;
    if (dev->is_open != 1)
        return HID_ERR_NOT_OPEN;
    if (!handle_valid(dev))
        return HID_ERR_INVALID;
    const hid_backend* b = backend_of(dev);
    if (b != NULL)
        b->release(dev->handle);
    memset(dev->read_wait, 0, sizeof dev->read_wait);
    memset(dev->write_wait, 0, sizeof dev->write_wait);
    dev->is_open = 0;
    dev->handle = -1;
    return HID_OK;
}

int32_t HID_WriteFile(HID_Device* dev, const void* data, uint32_t length, uint32_t* written) {
    if (dev == NULL || (data == NULL && length > 0))
        return HID_ERR_INVALID;
    if (length > HID_MAX_MESSAGE)
        return HID_ERR_TOO_LONG;
    const uint8_t* p = data;
    uint32_t remaining = length;
    uint32_t number = 1;
    uint32_t packets = (length + HID_PACKET_PAYLOAD - 1) / HID_PACKET_PAYLOAD;
    int32_t result = HID_OK;
    uint8_t report[HID_RX_BUFFER_SIZE];

    while (result == HID_OK && remaining > 0) {
        uint32_t n = remaining < HID_PACKET_PAYLOAD ? remaining : HID_PACKET_PAYLOAD;
        const hid_backend* b = open_backend(dev);
        if (b == NULL) {
            result = dev->is_open == 1 ? HID_ERR_IO : HID_ERR_NOT_OPEN;
            break;
        }
        /* A report too short for the packet, or longer than we can build, cannot go out. */
        size_t len = dev->output_report_length;
        if (len < HID_PACKET_HEADER + n || len > sizeof report) {
            result = HID_ERR_IO;
            break;
        }
        memset(report, 0, len);
        report[0] = HID_REPORT_ID;
        report[1] = (uint8_t)number;
        report[2] = (uint8_t)packets;
        report[3] = (uint8_t)n;
        memcpy(report + HID_PACKET_HEADER, p, n);
        size_t sent = 0;
        int32_t r = b->write_report(dev, report, len, dev->write_timeout, &sent);
        if (r != HID_OK) {
            result = r;
            break;
        }
        if (sent != len)
            return HID_ERR_IO;
        remaining -= n;
        p += n;
        ++number;
    }
    if (written != NULL)
        *written = length - remaining;
    return result;
}

int32_t HID_ReadFile(HID_Device* dev, void* buffer, uint32_t length, uint32_t* received) {
    uint32_t dummy;
    if (received == NULL)
        received = &dummy;
    if (dev == NULL || (buffer == NULL && length > 0))
        return HID_ERR_INVALID;
    uint8_t none = 0;
    uint8_t* out = buffer != NULL ? buffer : &none; /* length is 0 then */
    uint8_t* rx = dev->rx_buffer;
    /* A damaged count must not make us copy from beyond the buffer. */
    if (dev->rx_pending > sizeof dev->rx_buffer)
        dev->rx_pending = 0;

    if (dev->rx_pending > length) {
        memcpy(out, rx, length);
        memmove(rx, rx + length, dev->rx_pending - length);
        dev->rx_pending = (uint16_t)(dev->rx_pending - length);
        *received = length;
        return HID_ERR_BUFFER_FULL;
    }
    uint32_t total = 0;
    int32_t result = HID_OK;
    if (dev->rx_pending > 0) {
        memcpy(out, rx, dev->rx_pending);
        total = dev->rx_pending;
        dev->rx_pending = 0;
        result = HID_OK_PENDING;
    }
    /* A message cut by -7 goes on with whatever packet number comes next. */
    int resync = dev->rx_packets_left != 0;
    uint32_t expected = 0;
    int more = 1;
    int64_t deadline = hid_now_ms() + dev->read_timeout;
    uint32_t ignored = 0; /* reports ignored since the last packet taken */

    while (more) {
        if (result < 0)
            break;
        const hid_backend* b = open_backend(dev);
        if (b == NULL) {
            result = dev->is_open == 1 ? HID_ERR_IO : HID_ERR_NOT_OPEN;
            break;
        }
        size_t cap = dev->input_report_length;
        if (cap > sizeof dev->rx_buffer)
            cap = sizeof dev->rx_buffer;
        if (cap < HID_PACKET_HEADER + 1) {
            result = HID_ERR_IO;
            break;
        }
        /* Ignored reports do not restart the wait: a device streaming noise
         * must not keep the caller waiting for ever. */
        int64_t left = deadline - hid_now_ms();
        if (left < 0)
            left = 0;
        size_t got = 0;
        int32_t r = left == 0 && ignored > 0 ? HID_ERR_TIMEOUT
                                             : b->read_report(dev, rx, cap, (uint32_t)left, &got);
        if (r == HID_ERR_TIMEOUT) {
            if (total > 0)
                break; /* the bytes so far are the answer */
            result = HID_ERR_TIMEOUT;
            continue;
        }
        if (r != HID_OK) {
            result = HID_ERR_IO;
            continue;
        }
        if (got < HID_PACKET_HEADER || rx[0] != HID_REPORT_ID) {
            ++ignored;
            continue;
        }
        uint32_t n = rx[3];
        /* A payload length beyond 60 or beyond the report is malformed: ignore it. */
        if (n > HID_PACKET_PAYLOAD || n > got - HID_PACKET_HEADER) {
            ++ignored;
            continue;
        }
        uint32_t number = rx[1];
        uint32_t packets = rx[2];
        dev->rx_packets_left = (int16_t)((int)packets - (int)number);
        if (resync) {
            expected = number;
            resync = 0;
        } else {
            ++expected;
        }
        if (number != expected) {
            dev->rx_packets_left = 0;
            result = HID_ERR_SEQUENCE;
            break;
        }
        if (packets == expected)
            more = 0;
        uint32_t room = length - total;
        if (n > room) {
            memcpy(out + total, rx + HID_PACKET_HEADER, room);
            memmove(rx, rx + HID_PACKET_HEADER + room, n - room);
            dev->rx_pending = (uint16_t)(n - room);
            *received = total + room;
            return HID_ERR_BUFFER_FULL;
        }
        memcpy(out + total, rx + HID_PACKET_HEADER, n);
        total += n;
        dev->rx_pending = 0;
        deadline = hid_now_ms() + dev->read_timeout;
        ignored = 0;
    }
    *received = total;
    return result;
}

int32_t HID_GetNumOfDevices(uint16_t vendor_id, uint16_t product_id) {
    const hid_backend* b = platform_backend();
    hid_entry* list;
    size_t count;
    if (list_devices(b, &list, &count) != HID_OK)
        return HID_ERR_PLATFORM;
    int32_t found = 0;
    for (size_t i = 0; i < count; ++i) {
        if (!hid_entry_matches(&list[i], vendor_id, product_id, b->paths_carry_ids))
            continue;
        int fd = -1;
        uint32_t flags = 0;
        int32_t r = b->open(&list[i], OPEN_ANSWER_MS, &fd, &flags);
        if (r == HID_OK) {
            b->release(fd);
            ++found;
        } else if (r == HID_OPEN_HELD) {
            ++found;
        }
    }
    free(list);
    return found;
}

int32_t HID_GetSerialNumber(HID_Device* dev, uint16_t* buffer, uint32_t buffer_bytes) {
    if (dev == NULL || buffer == NULL || buffer_bytes < sizeof(uint16_t))
        return HID_ERR_INVALID;
    const hid_backend* b = open_backend(dev);
    char text[HID_SERIAL_MAX + 1];
    if (b == NULL || b->serial(dev, text, sizeof text) != HID_OK)
        return HID_ERR_INVALID;
    hid_utf8_to_utf16(text, buffer, buffer_bytes / sizeof(uint16_t));
    return HID_OK;
}

int32_t HID_GetVersionNumber(HID_Device* dev, uint16_t* version) {
    if (dev == NULL || version == NULL || open_backend(dev) == NULL)
        return HID_ERR_INVALID;
    *version = (uint16_t)dev->read_wait[HID_WAIT_RELEASE];
    return HID_OK;
}

int32_t HID_FlushBuffer(HID_Device* dev) {
    if (dev == NULL)
        return HID_ERR_INVALID;
    dev->rx_pending = 0;
    const hid_backend* b = open_backend(dev);
    if (b == NULL)
        return HID_ERR_INVALID;
    return b->flush(dev);
}

int32_t HID_RegisterForDeviceNotification(void* window, int32_t* registration) {
    (void)window;
    if (registration == NULL)
        return HID_ERR_INVALID;
    return hid_notify_register(registration);
}

int32_t HID_UnRegisterForDeviceNotification(int32_t registration) {
    return hid_notify_unregister(registration);
}

int32_t HID_IsDeviceAffected(HID_Device* dev) {
    if (dev == NULL)
        return 1;
    const hid_backend* b = open_backend(dev);
    return b == NULL ? 1 : b->gone(dev);
}
