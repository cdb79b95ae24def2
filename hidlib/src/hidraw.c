/* Linux backend: hidraw device nodes, found and watched through libudev. */
#define _GNU_SOURCE
#include "hid_internal.h"

#include <errno.h>
#include <fcntl.h>
#include <libudev.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <stdio.h>
#include <string.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

/* Vendor, product and release of a hidraw node from its USB parent, or from
 * the HID parent's HID_ID for devices on other buses. 0, or -1. */
static int device_ids(struct udev_device* dev, uint16_t* vendor, uint16_t* product,
                      uint16_t* release) {
    struct udev_device* usb =
        udev_device_get_parent_with_subsystem_devtype(dev, "usb", "usb_device");
    *release = 0;
    if (usb != NULL) {
        if (hid_parse_hex16(udev_device_get_sysattr_value(usb, "idVendor"), vendor) != 0 ||
            hid_parse_hex16(udev_device_get_sysattr_value(usb, "idProduct"), product) != 0)
            return -1;
        if (hid_parse_hex16(udev_device_get_sysattr_value(usb, "bcdDevice"), release) != 0)
            *release = 0;
        return 0;
    }
    struct udev_device* hid = udev_device_get_parent_with_subsystem_devtype(dev, "hid", NULL);
    if (hid == NULL)
        return -1;
    return hid_parse_hid_id(udev_device_get_property_value(hid, "HID_ID"), vendor, product);
}

static int32_t hidraw_enumerate(hid_entry* out, size_t cap, size_t* count) {
    *count = 0;
    struct udev* udev = udev_new();
    if (udev == NULL)
        return HID_ERR_PLATFORM;
    int32_t result = HID_ERR_PLATFORM;
    struct udev_enumerate* en = udev_enumerate_new(udev);
    if (en != NULL && udev_enumerate_add_match_subsystem(en, "hidraw") >= 0 &&
        udev_enumerate_scan_devices(en) >= 0) {
        result = HID_OK;
        uint32_t position = 0;
        struct udev_list_entry* item;
        udev_list_entry_foreach(item, udev_enumerate_get_list_entry(en)) {
            if (*count == cap)
                break;
            struct udev_device* dev =
                udev_device_new_from_syspath(udev, udev_list_entry_get_name(item));
            if (dev == NULL)
                continue; /* gone meanwhile: skipped like a path that cannot be fetched */
            hid_entry* e = &out[*count];
            const char* node = udev_device_get_devnode(dev);
            if (node != NULL && strlen(node) <= HID_PATH_MAX &&
                device_ids(dev, &e->vendor, &e->product, &e->release) == 0) {
                e->position = position;
                strcpy(e->path, node);
                ++*count;
            }
            ++position;
            udev_device_unref(dev);
        }
    }
    if (en != NULL)
        udev_enumerate_unref(en);
    udev_unref(udev);
    return result;
}

static int32_t hidraw_open(const hid_entry* entry, uint32_t wait_ms, int* fd_out, uint32_t* flags) {
    (void)wait_ms;
    int fd = open(entry->path, O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == EBUSY ? HID_OPEN_HELD : HID_OPEN_FAILED;
    fd = hid_fd_above_stdio(fd);
    if (fd < 0)
        return HID_OPEN_FAILED;
    /* hidraw has no exclusive open of its own: holders take an exclusive lock. */
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int held = errno == EWOULDBLOCK;
        close(fd);
        return held ? HID_OPEN_HELD : HID_OPEN_FAILED;
    }
    struct hidraw_devinfo info;
    if (ioctl(fd, HIDIOCGRAWINFO, &info) != 0 || (uint16_t)info.vendor != entry->vendor ||
        (uint16_t)info.product != entry->product) {
        close(fd);
        return HID_OPEN_FAILED;
    }
    *fd_out = fd;
    *flags = 0;
    return HID_OK;
}

static void hidraw_release(int fd) {
    close(fd);
}

static int32_t hidraw_capabilities(int fd, uint16_t* input_len, uint16_t* output_len,
                                   uint32_t* flags) {
    int size = 0;
    struct hidraw_report_descriptor desc;
    hid_report_lengths lengths;
    if (ioctl(fd, HIDIOCGRDESCSIZE, &size) != 0 || size <= 0 || size > HID_MAX_DESCRIPTOR_SIZE)
        return HID_ERR_INVALID;
    desc.size = (uint32_t)size;
    if (ioctl(fd, HIDIOCGRDESC, &desc) != 0)
        return HID_ERR_INVALID;
    if (hid_parse_report_descriptor(desc.value, desc.size, &lengths) != 0)
        return HID_ERR_INVALID;
    *input_len = lengths.input;
    *output_len = lengths.output;
    if (!lengths.numbered)
        *flags |= HID_FLAG_UNNUMBERED;
    return HID_OK;
}

static int still_there(int fd) {
    struct hidraw_devinfo info;
    return ioctl(fd, HIDIOCGRAWINFO, &info) == 0;
}

static int32_t mark_gone(HID_Device* dev) {
    dev->read_wait[HID_WAIT_FLAGS] |= HID_FLAG_GONE;
    return HID_ERR_IO;
}

static int32_t hidraw_read_report(HID_Device* dev, uint8_t* buf, size_t cap, uint32_t timeout_ms,
                                  size_t* got) {
    /* Unnumbered reports arrive without an id byte; the platform's layout has a 0 there. */
    size_t skip = (dev->read_wait[HID_WAIT_FLAGS] & HID_FLAG_UNNUMBERED) ? 1 : 0;
    *got = 0;
    if (dev->read_wait[HID_WAIT_FLAGS] & HID_FLAG_GONE)
        return HID_ERR_IO;
    if (cap <= skip)
        return HID_ERR_IO;
    for (;;) {
        short revents = 0;
        int w = hid_fd_wait(dev->handle, POLLIN, timeout_ms, &revents);
        if (w == 0)
            return HID_ERR_TIMEOUT;
        if (w < 0)
            return HID_ERR_IO;
        /* Reports queued before a removal are still handed out. */
        if (!(revents & POLLIN))
            return (revents & (POLLHUP | POLLERR | POLLNVAL)) ? mark_gone(dev) : HID_ERR_IO;
        ssize_t n = read(dev->handle, buf + skip, cap - skip);
        if (n > 0) {
            if (skip)
                buf[0] = 0;
            *got = (size_t)n + skip;
            return HID_OK;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            continue;
        return still_there(dev->handle) ? HID_ERR_IO : mark_gone(dev);
    }
}

static int32_t hidraw_write_report(HID_Device* dev, const uint8_t* buf, size_t len,
                                   uint32_t timeout_ms, size_t* sent) {
    *sent = 0;
    if (dev->read_wait[HID_WAIT_FLAGS] & HID_FLAG_GONE)
        return HID_ERR_IO;
    for (;;) {
        short revents = 0;
        int w = hid_fd_wait(dev->handle, POLLOUT, timeout_ms, &revents);
        if (w == 0)
            return HID_ERR_TIMEOUT;
        if (w < 0)
            return HID_ERR_IO;
        if (revents & (POLLHUP | POLLERR | POLLNVAL))
            return mark_gone(dev);
        ssize_t n = write(dev->handle, buf, len);
        if (n >= 0) {
            *sent = (size_t)n;
            return HID_OK;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
            continue;
        return still_there(dev->handle) ? HID_ERR_IO : mark_gone(dev);
    }
}

static int32_t hidraw_serial(const HID_Device* dev, char* out, size_t cap) {
    struct stat st;
    if (cap == 0 || fstat(dev->handle, &st) != 0 || !S_ISCHR(st.st_mode))
        return HID_ERR_INVALID;
    struct udev* udev = udev_new();
    if (udev == NULL)
        return HID_ERR_INVALID;
    int32_t result = HID_ERR_INVALID;
    struct udev_device* dev_node = udev_device_new_from_devnum(udev, 'c', st.st_rdev);
    if (dev_node != NULL) {
        const char* text = NULL;
        struct udev_device* usb =
            udev_device_get_parent_with_subsystem_devtype(dev_node, "usb", "usb_device");
        if (usb != NULL)
            text = udev_device_get_sysattr_value(usb, "serial");
        if (text == NULL) {
            struct udev_device* hid =
                udev_device_get_parent_with_subsystem_devtype(dev_node, "hid", NULL);
            if (hid != NULL)
                text = udev_device_get_property_value(hid, "HID_UNIQ");
        }
        if (text != NULL) {
            strncpy(out, text, cap - 1);
            out[cap - 1] = '\0';
            result = HID_OK;
        }
        udev_device_unref(dev_node);
    }
    udev_unref(udev);
    return result;
}

static int32_t hidraw_flush(HID_Device* dev) {
    int r = hid_fd_drain(dev->handle, 0);
    if (r == 0)
        return HID_OK;
    if (r == -2)
        return HID_ERR_INVALID;
    if (!still_there(dev->handle))
        dev->read_wait[HID_WAIT_FLAGS] |= HID_FLAG_GONE;
    return HID_ERR_PLATFORM;
}

static int hidraw_gone(HID_Device* dev) {
    if (dev->read_wait[HID_WAIT_FLAGS] & HID_FLAG_GONE)
        return 1;
    return still_there(dev->handle) ? 0 : 1;
}

const hid_backend hid_hidraw_backend = {
    HID_KIND_HIDRAW,    0,
    hidraw_enumerate,   hidraw_open,
    hidraw_release,     hidraw_capabilities,
    hidraw_read_report, hidraw_write_report,
    hidraw_serial,      hidraw_flush,
    hidraw_gone,
};

/* ---- arrival and removal notices ---- */

int32_t hid_notify_register(int32_t* registration) {
    struct udev* udev = udev_new();
    if (udev == NULL)
        return HID_ERR_INVALID;
    /* Without a running udev daemon only the kernel's own notices come. */
    const char* group = access("/run/udev/control", F_OK) == 0 ? "udev" : "kernel";
    int32_t result = HID_ERR_INVALID;
    struct udev_monitor* mon = udev_monitor_new_from_netlink(udev, group);
    if (mon != NULL && udev_monitor_filter_add_match_subsystem_devtype(mon, "hidraw", NULL) >= 0 &&
        udev_monitor_enable_receiving(mon) >= 0) {
        /* Keep only the socket: the monitor object is freed before returning. */
        int fd = fcntl(udev_monitor_get_fd(mon), F_DUPFD_CLOEXEC, 3);
        if (fd >= 0) {
            *registration = fd;
            result = HID_OK;
        }
    }
    if (mon != NULL)
        udev_monitor_unref(mon);
    udev_unref(udev);
    return result;
}

int32_t hid_notify_unregister(int32_t registration) {
    int domain = 0;
    socklen_t len = sizeof domain;
    if (registration < 3 || getsockopt(registration, SOL_SOCKET, SO_DOMAIN, &domain, &len) != 0 ||
        domain != AF_NETLINK)
        return HID_ERR_INVALID;
    return close(registration) == 0 ? HID_OK : HID_ERR_INVALID;
}
