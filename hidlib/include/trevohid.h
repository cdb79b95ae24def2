/*
 * TrevoHID: finds the USB radio interface among the attached HID devices and
 * carries messages of up to 15300 bytes over its HID reports.
 *
 * Plain C interface, usable from C and C++. The library keeps no state of its
 * own: everything lives in the caller's HID_Device record, passed by address
 * to every call. Nothing the library allocates outlives a call.
 *
 * When the environment variable TREVOHID_SIM is set, the simulated devices it
 * lists are used instead of the platform's HID devices (hidraw).
 *
 * All calls are synchronous and not thread-safe per record: use a record from
 * one thread at a time.
 */
#ifndef TREVOHID_H
#define TREVOHID_H

#include <stdint.h>

#if defined(_WIN32)
#define TREVOHID_API __declspec(dllexport)
#elif defined(__GNUC__)
#define TREVOHID_API __attribute__((visibility("default")))
#else
#define TREVOHID_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Return codes (32-bit signed) of all calls. */
#define HID_OK 0                 /* success */
#define HID_OK_PENDING 1         /* HID_ReadFile: success, first bytes came from rx_pending */
#define HID_ERR_NO_DEVICE (-1)   /* no such device */
#define HID_ERR_NOT_OPEN (-2)    /* record not open */
#define HID_ERR_BUSY (-3)        /* record already open, or device held open elsewhere */
#define HID_ERR_TIMEOUT (-4)     /* time limit passed before any data */
#define HID_ERR_IO (-5)          /* input/output failure, device gone, or short report */
#define HID_ERR_SEQUENCE (-6)    /* packet out of sequence */
#define HID_ERR_BUFFER_FULL (-7) /* caller's buffer full; the rest waits for the next read */
#define HID_ERR_TOO_LONG (-8)    /* message longer than HID_MAX_MESSAGE bytes */
#define HID_ERR_INVALID (-9)     /* invalid handle or argument, or the platform refused */
#define HID_ERR_PLATFORM (-100)  /* enumeration or flush failed for another reason */

#define HID_REPORT_ID 0x54    /* byte 0 of every report, both directions */
#define HID_PACKET_HEADER 4   /* report id, packet number, packet count, payload length */
#define HID_PACKET_PAYLOAD 60 /* payload bytes per packet at most */
#define HID_MAX_PACKETS 255
#define HID_MAX_MESSAGE 15300 /* HID_MAX_PACKETS * HID_PACKET_PAYLOAD */
#define HID_RX_BUFFER_SIZE 8192

#define HID_DEFAULT_READ_TIMEOUT 1000 /* ms, set by HID_Init where read_timeout is 0 */
#define HID_DEFAULT_WRITE_TIMEOUT 500 /* ms, set by HID_Init where write_timeout is 0 */

/*
 * The device record: allocated and owned by the caller, one per device.
 * 8256 bytes, no padding. The wait blocks belong to the library (on Linux
 * they hold the backend's bookkeeping); callers never touch them.
 */
typedef struct HID_Device {
    int32_t handle;                /* open device handle; -1 after HID_Close, 0 after HID_Init */
    uint32_t is_open;              /* 1 while open, else 0 */
    uint32_t read_timeout;         /* ms, longest wait for one input report */
    uint32_t write_timeout;        /* ms, longest wait for one output report to go out */
    uint32_t read_wait[5];         /* library-private */
    uint32_t write_wait[5];        /* library-private */
    uint16_t input_report_length;  /* bytes per input report (64 on the radio interface) */
    uint16_t output_report_length; /* bytes per output report */
    uint8_t rx_buffer[HID_RX_BUFFER_SIZE]; /* last report; after -7 the owed bytes at the front */
    uint16_t rx_pending;                   /* payload bytes waiting at the front of rx_buffer */
    int16_t rx_packets_left;               /* packets of the incoming message not yet received */
} HID_Device;

/* Prepares a record: handle 0, is_open 0, rx_pending 0, rx_packets_left 0,
 * report lengths 0, wait blocks cleared; read_timeout 1000 and write_timeout
 * 500 only where they are 0. Call it before every HID_Open. Returns 0. */
TREVOHID_API int32_t HID_Init(HID_Device* dev);

/* Opens the index-th (0-based) attached device whose vendor and product ids
 * match. 0 on success; -3 if the record is already open or the device is held
 * open by someone else; -1 when there is no such device or it cannot be
 * opened; -9 for a null record. */
TREVOHID_API int32_t HID_Open(HID_Device* dev, uint16_t vendor_id, uint16_t product_id,
                              uint32_t index);

/* 0; -2 if the record is not open; -9 if its handle is 0 or -1. */
TREVOHID_API int32_t HID_Close(HID_Device* dev);

/* Sends one message of length bytes (at most 15300) as packets of 60 bytes.
 * written (may be null) = bytes of the message that went out in whole packets.
 * 0 all sent; -8 too long (nothing sent, written untouched); -2 not open
 * (written 0); -4 a report did not go out within write_timeout; -5 failure or
 * device gone (written untouched if a report went out with a wrong length). */
TREVOHID_API int32_t HID_WriteFile(HID_Device* dev, const void* data, uint32_t length,
                                   uint32_t* written);

/* Receives one message, or its next part, into buffer (length bytes of room).
 * received (may be null) = bytes placed in buffer. See the header's notes
 * below for the meaning of each result. */
TREVOHID_API int32_t HID_ReadFile(HID_Device* dev, void* buffer, uint32_t length,
                                  uint32_t* received);

/* Count of matching devices that could be opened plus those held open by
 * someone else (each one opened for the count is closed again at once);
 * -100 when the devices cannot be listed. */
TREVOHID_API int32_t HID_GetNumOfDevices(uint16_t vendor_id, uint16_t product_id);

/* Fills buffer with the device's serial number in UTF-16 (native byte order),
 * terminated by a 0 unit and cut to fit buffer_bytes. 0, or -9 when the record
 * is not open, the buffer holds less than one unit, or the query fails. */
TREVOHID_API int32_t HID_GetSerialNumber(HID_Device* dev, uint16_t* buffer, uint32_t buffer_bytes);

/* version = the device's 16-bit release number (e.g. 0x0154). 0, or -9. */
TREVOHID_API int32_t HID_GetVersionNumber(HID_Device* dev, uint16_t* version);

/* Sets rx_pending 0 (rx_packets_left unchanged) and discards the input
 * reports queued for the device. 0; -9 invalid handle; -100 other failure. */
TREVOHID_API int32_t HID_FlushBuffer(HID_Device* dev);

/* Registers for arrival and removal notices of HID devices. On Linux the
 * window argument is not used and *registration receives a file descriptor
 * that becomes readable when a device arrives or leaves; receive and discard
 * its datagrams (recv with MSG_DONTWAIT), then look again (HID_GetNumOfDevices,
 * HID_IsDeviceAffected). 0, or -9 when the platform refuses. */
TREVOHID_API int32_t HID_RegisterForDeviceNotification(void* window, int32_t* registration);

/* Ends a registration. 0, or -9 for an invalid registration. */
TREVOHID_API int32_t HID_UnRegisterForDeviceNotification(int32_t registration);

/* 1 when the device can no longer be reached (gone, or the record is not
 * open), 0 while it answers. */
TREVOHID_API int32_t HID_IsDeviceAffected(HID_Device* dev);

/*
 * HID_ReadFile results:
 *   0   a whole message (or the rest of one) arrived; received = its bytes.
 *       Also 0 when part of a message came and then read_timeout ms passed
 *       with no further report: received = the bytes so far.
 *   1   as 0, and the first bytes were left over from a previous -7 read.
 *   -7  buffer full: received = length; call again to collect the rest
 *       (the next call returns 1, or -7 again while it still does not fit).
 *   -4  nothing arrived within read_timeout; received = 0.
 *   -6  packet out of sequence; received = bytes placed before it,
 *       rx_packets_left = 0.
 *   -2  record not open; -5 device failure or gone (returned at once,
 *       received = bytes placed before the failure);
 *   -9  null record, or null buffer with length > 0.
 * Reports not starting with 0x54, and malformed reports (payload length above
 * 60 or beyond the report), are ignored.
 */

#ifdef __cplusplus
}
#endif

#endif /* TREVOHID_H */
