/* Internal interface of TrevoHID: the platform backends and the pure helpers
 * they share. Nothing here is exported from the shared library. */
#ifndef TREVOHID_INTERNAL_H
#define TREVOHID_INTERNAL_H

#include "trevohid.h"

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define HID_PATH_MAX 260       /* device paths are copied up to this many bytes */
#define HID_MAX_INTERFACES 128 /* interfaces looked at per search */
#define HID_SERIAL_MAX 255     /* bytes of a serial number text */

/* Words of the record's read wait block on Linux. */
enum {
    HID_WAIT_KIND = 0,     /* which backend opened the record */
    HID_WAIT_POSITION = 1, /* the device's position in its enumeration */
    HID_WAIT_RELEASE = 2,  /* release number, read at open */
    HID_WAIT_IDS = 3,      /* vendor id << 16 | product id */
    HID_WAIT_FLAGS = 4     /* HID_FLAG_* */
};
enum { HID_KIND_NONE = 0, HID_KIND_HIDRAW = 0x68726177u, HID_KIND_SIM = 0x73696d00u };
enum {
    HID_FLAG_GONE = 1u,      /* the device went away; every transfer fails at once */
    HID_FLAG_UNNUMBERED = 2u /* the device uses no report ids (hidraw) */
};

/* One device interface as an enumeration lists it. */
typedef struct hid_entry {
    uint16_t vendor;
    uint16_t product;
    uint16_t release;
    uint32_t position;
    char path[HID_PATH_MAX + 1];
} hid_entry;

/* Internal results of a backend's open besides HID_OK. */
enum { HID_OPEN_HELD = HID_ERR_BUSY, HID_OPEN_FAILED = HID_ERR_NO_DEVICE };

typedef struct hid_backend {
    uint32_t kind;
    int paths_carry_ids; /* device paths contain "vid_%04x&pid_%04x" */
    /* Lists up to cap present devices in enumeration order: HID_OK or HID_ERR_PLATFORM. */
    int32_t (*enumerate)(hid_entry* out, size_t cap, size_t* count);
    /* Opens exclusively: HID_OK with *fd, HID_OPEN_HELD, or HID_OPEN_FAILED. */
    int32_t (*open)(const hid_entry* entry, uint32_t wait_ms, int* fd, uint32_t* flags);
    void (*release)(int fd);
    /* Report lengths in bytes, report id byte included: HID_OK or HID_ERR_INVALID. */
    int32_t (*capabilities)(int fd, uint16_t* input_len, uint16_t* output_len, uint32_t* flags);
    /* One input report into buf: HID_OK with *got (0 for a report to ignore),
     * HID_ERR_TIMEOUT, or HID_ERR_IO. */
    int32_t (*read_report)(HID_Device* dev, uint8_t* buf, size_t cap, uint32_t timeout_ms,
                           size_t* got);
    /* One output report: HID_OK with *sent, HID_ERR_TIMEOUT, or HID_ERR_IO. */
    int32_t (*write_report)(HID_Device* dev, const uint8_t* buf, size_t len, uint32_t timeout_ms,
                            size_t* sent);
    /* Serial number as UTF-8 text: HID_OK or HID_ERR_INVALID. */
    int32_t (*serial)(const HID_Device* dev, char* out, size_t cap);
    /* Discards queued input reports: HID_OK, HID_ERR_INVALID or HID_ERR_PLATFORM. */
    int32_t (*flush)(HID_Device* dev);
    /* 1 when the device can no longer be reached. */
    int (*gone)(HID_Device* dev);
} hid_backend;

extern const hid_backend hid_hidraw_backend;
extern const hid_backend hid_sim_backend;

/* Device notices (hidraw.c): a netlink socket that wakes on hidraw arrivals
 * and removals, and its release. */
int32_t hid_notify_register(int32_t* registration);
int32_t hid_notify_unregister(int32_t registration);

/* ---- waits and transfers on a file descriptor (fdio.c) ---- */

/* Milliseconds of a monotonic clock. */
int64_t hid_now_ms(void);
/* Ensures a descriptor is at least 3, so a handle is never 0. -1 on failure (fd closed). */
int hid_fd_above_stdio(int fd);
/* Waits for events on fd: 1 ready (revents set), 0 time limit passed, -1 failure. */
int hid_fd_wait(int fd, short events, uint32_t timeout_ms, short* revents);
/* Discards queued input on fd (datagram or report reads): 0, -2 for a bad
 * descriptor, or -1 on another failure. */
int hid_fd_drain(int fd, int is_socket);

/* ---- pure helpers (parts.c) ---- */

typedef struct hid_report_lengths {
    uint16_t input;  /* longest input report in bytes, id byte included; 0 if none */
    uint16_t output; /* the same for output reports */
    int numbered;    /* the descriptor declares report ids */
} hid_report_lengths;

/* Parses a HID report descriptor. 0, or -1 when it is malformed. */
int hid_parse_report_descriptor(const uint8_t* desc, size_t len, hid_report_lengths* out);

/* 1 when the entry is a match for vendor_id/product_id. Where paths carry the
 * ids, the path must contain "vid_%04x&pid_%04x" as well. */
int hid_entry_matches(const hid_entry* e, uint16_t vendor_id, uint16_t product_id,
                      int paths_carry_ids);
/* Finds the index-th match in list order: HID_OK with *pos, HID_ERR_NO_DEVICE,
 * or HID_ERR_PLATFORM for an index of 128 or more. */
int32_t hid_select(const hid_entry* list, size_t count, uint16_t vendor_id, uint16_t product_id,
                   uint32_t index, int paths_carry_ids, size_t* pos);

typedef struct hid_sim_item {
    uint16_t vendor;
    uint16_t product;
    uint16_t release;
    char serial[HID_SERIAL_MAX + 1];
    char socket_path[HID_PATH_MAX + 1];
} hid_sim_item;

/* Parses one list entry "VVVV:PPPP:SERIAL:VERSION@SOCKETPATH" of len bytes.
 * 0, or -1 when it is malformed. */
int hid_sim_parse_item(const char* s, size_t len, hid_sim_item* out);
/* Calls visit for each well-formed entry of a list in order (position counts
 * well-formed entries from 0); stops when visit returns non-zero. */
void hid_sim_walk(const char* list,
                  int (*visit)(void* ctx, uint32_t position, const hid_sim_item* item), void* ctx);
/* The device path of a simulated device. */
void hid_sim_path(const hid_sim_item* item, char* out, size_t cap);

/* 1..4 hexadecimal digits, optionally followed by white space: 0, or -1. */
int hid_parse_hex16(const char* s, uint16_t* out);
/* A HID_ID property "BBBB:VVVVVVVV:PPPPPPPP": 0, or -1. */
int hid_parse_hid_id(const char* s, uint16_t* vendor, uint16_t* product);
/* UTF-8 to UTF-16 with a terminating 0, cut to units (at least 1). Invalid
 * sequences become U+FFFD. Returns units written, the 0 excluded. */
size_t hid_utf8_to_utf16(const char* s, uint16_t* out, size_t units);

#ifdef __cplusplus
}
#endif

#endif
