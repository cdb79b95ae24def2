/* Pure helpers: report descriptors, device matching, the simulated device
 * list, small text conversions. No system calls here. */
#include "hid_internal.h"

#include <stdio.h>
#include <string.h>

/* ---- report descriptors ---- */

typedef struct desc_globals {
    uint32_t report_size;
    uint32_t report_count;
    uint32_t report_id;
} desc_globals;

#define DESC_STACK 8

static uint16_t bits_to_report_bytes(uint64_t bits) {
    /* The platform counts the report id byte in (a 0 byte for unnumbered reports). */
    uint64_t bytes = (bits + 7) / 8 + 1;
    return bytes > 0xFFFF ? 0xFFFF : (uint16_t)bytes;
}

int hid_parse_report_descriptor(const uint8_t* desc, size_t len, hid_report_lengths* out) {
    static const uint8_t sizes[4] = {0, 1, 2, 4};
    /* Bits per report id and direction; 64-bit so hostile sizes cannot wrap. */
    uint64_t in_bits[256];
    uint64_t out_bits[256];
    desc_globals g = {0, 0, 0};
    desc_globals stack[DESC_STACK];
    size_t depth = 0;
    int numbered = 0;
    size_t i = 0;

    if (out == NULL || (desc == NULL && len > 0))
        return -1;
    memset(in_bits, 0, sizeof in_bits);
    memset(out_bits, 0, sizeof out_bits);

    while (i < len) {
        uint8_t prefix = desc[i];
        if (prefix == 0xFE) { /* long item: size, tag, data */
            if (i + 2 >= len)
                return -1;
            size_t data = desc[i + 1];
            if (i + 3 + data > len)
                return -1;
            i += 3 + data;
            continue;
        }
        size_t size = sizes[prefix & 3];
        if (i + 1 + size > len)
            return -1;
        uint32_t value = 0;
        for (size_t b = 0; b < size; ++b)
            value |= (uint32_t)desc[i + 1 + b] << (8 * b);
        uint8_t type = (prefix >> 2) & 3;
        uint8_t tag = prefix >> 4;
        i += 1 + size;

        if (type == 1) { /* global */
            switch (tag) {
            case 7:
                g.report_size = value;
                break;
            case 8:
                if (value == 0 || value > 255)
                    return -1;
                g.report_id = value;
                numbered = 1;
                break;
            case 9:
                g.report_count = value;
                break;
            case 10:
                if (depth == DESC_STACK)
                    return -1;
                stack[depth++] = g;
                break;
            case 11:
                if (depth == 0)
                    return -1;
                g = stack[--depth];
                break;
            default:
                break;
            }
        } else if (type == 0 && (tag == 8 || tag == 9)) { /* Input or Output */
            uint64_t* bits = tag == 8 ? in_bits : out_bits;
            uint64_t add = (uint64_t)g.report_size * g.report_count;
            bits[g.report_id] += add;
            if (bits[g.report_id] > (uint64_t)0xFFFF * 8)
                bits[g.report_id] = (uint64_t)0xFFFF * 8;
        }
    }

    out->input = 0;
    out->output = 0;
    out->numbered = numbered;
    for (int id = 0; id < 256; ++id) {
        if (in_bits[id] > 0 && bits_to_report_bytes(in_bits[id]) > out->input)
            out->input = bits_to_report_bytes(in_bits[id]);
        if (out_bits[id] > 0 && bits_to_report_bytes(out_bits[id]) > out->output)
            out->output = bits_to_report_bytes(out_bits[id]);
    }
    return 0;
}

/* ---- matching ---- */

int hid_entry_matches(const hid_entry* e, uint16_t vendor_id, uint16_t product_id,
                      int paths_carry_ids) {
    if (e->vendor != vendor_id || e->product != product_id)
        return 0;
    if (paths_carry_ids) {
        char text[32];
        snprintf(text, sizeof text, "vid_%04x&pid_%04x", vendor_id, product_id);
        if (strstr(e->path, text) == NULL)
            return 0;
    }
    return 1;
}

int32_t hid_select(const hid_entry* list, size_t count, uint16_t vendor_id, uint16_t product_id,
                   uint32_t index, int paths_carry_ids, size_t* pos) {
    if (index >= HID_MAX_INTERFACES)
        return HID_ERR_PLATFORM;
    uint32_t m = 0;
    for (size_t i = 0; i < count && i < HID_MAX_INTERFACES; ++i) {
        if (!hid_entry_matches(&list[i], vendor_id, product_id, paths_carry_ids))
            continue;
        if (m == index) {
            *pos = i;
            return HID_OK;
        }
        ++m;
    }
    return HID_ERR_NO_DEVICE;
}

/* ---- small conversions ---- */

static int hex_digit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

static int parse_hex_exact(const char* s, size_t digits, uint32_t* out) {
    uint32_t v = 0;
    for (size_t i = 0; i < digits; ++i) {
        int d = hex_digit(s[i]);
        if (d < 0)
            return -1;
        v = v * 16 + (uint32_t)d;
    }
    *out = v;
    return 0;
}

int hid_parse_hex16(const char* s, uint16_t* out) {
    if (s == NULL)
        return -1;
    size_t n = 0;
    uint32_t v = 0;
    while (hex_digit(s[n]) >= 0) {
        if (n == 4)
            return -1;
        v = v * 16 + (uint32_t)hex_digit(s[n]);
        ++n;
    }
    if (n == 0)
        return -1;
    for (const char* p = s + n; *p; ++p)
        if (*p != ' ' && *p != '\n' && *p != '\r' && *p != '\t')
            return -1;
    *out = (uint16_t)v;
    return 0;
}

int hid_parse_hid_id(const char* s, uint16_t* vendor, uint16_t* product) {
    uint32_t bus, v, p;
    if (s == NULL || strlen(s) != 22 || s[4] != ':' || s[13] != ':')
        return -1;
    if (parse_hex_exact(s, 4, &bus) || parse_hex_exact(s + 5, 8, &v) ||
        parse_hex_exact(s + 14, 8, &p))
        return -1;
    if (v > 0xFFFF || p > 0xFFFF)
        return -1;
    *vendor = (uint16_t)v;
    *product = (uint16_t)p;
    return 0;
}

size_t hid_utf8_to_utf16(const char* s, uint16_t* out, size_t units) {
    const unsigned char* p = (const unsigned char*)s;
    size_t n = 0;
    if (units == 0)
        return 0;
    while (*p) {
        uint32_t cp;
        size_t extra;
        if (*p < 0x80) {
            cp = *p;
            extra = 0;
        } else if ((*p & 0xE0) == 0xC0) {
            cp = *p & 0x1F;
            extra = 1;
        } else if ((*p & 0xF0) == 0xE0) {
            cp = *p & 0x0F;
            extra = 2;
        } else if ((*p & 0xF8) == 0xF0) {
            cp = *p & 0x07;
            extra = 3;
        } else {
            cp = 0xFFFD;
            extra = 0;
        }
        ++p;
        for (size_t k = 0; k < extra; ++k) {
            if ((*p & 0xC0) != 0x80) {
                cp = 0xFFFD;
                break;
            }
            cp = (cp << 6) | (*p & 0x3F);
            ++p;
        }
        if ((extra == 1 && cp < 0x80) || (extra == 2 && cp < 0x800) ||
            (extra == 3 && cp < 0x10000) || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            cp = 0xFFFD;
        if (cp >= 0x10000) {
            if (n + 2 >= units)
                break;
            cp -= 0x10000;
            out[n++] = (uint16_t)(0xD800 + (cp >> 10));
            out[n++] = (uint16_t)(0xDC00 + (cp & 0x3FF));
        } else {
            if (n + 1 >= units)
                break;
            out[n++] = (uint16_t)cp;
        }
    }
    out[n] = 0;
    return n;
}

/* ---- the simulated device list ---- */

int hid_sim_parse_item(const char* s, size_t len, hid_sim_item* out) {
    /* VVVV:PPPP:SERIAL:VERSION@SOCKETPATH; the serial may not contain '@'. */
    const char* at = memchr(s, '@', len);
    if (at == NULL)
        return -1;
    size_t head = (size_t)(at - s);
    size_t path_len = len - head - 1;
    uint32_t v, p, r;
    if (head < 15 || s[4] != ':' || s[9] != ':' || s[head - 5] != ':')
        return -1;
    if (parse_hex_exact(s, 4, &v) || parse_hex_exact(s + 5, 4, &p) ||
        parse_hex_exact(s + head - 4, 4, &r))
        return -1;
    size_t serial_len = head - 15;
    if (serial_len > HID_SERIAL_MAX || path_len == 0 || path_len > HID_PATH_MAX)
        return -1;
    if (memchr(s + 10, '\0', serial_len) != NULL || memchr(at + 1, '\0', path_len) != NULL)
        return -1;
    out->vendor = (uint16_t)v;
    out->product = (uint16_t)p;
    out->release = (uint16_t)r;
    memcpy(out->serial, s + 10, serial_len);
    out->serial[serial_len] = '\0';
    memcpy(out->socket_path, at + 1, path_len);
    out->socket_path[path_len] = '\0';
    return 0;
}

void hid_sim_walk(const char* list,
                  int (*visit)(void* ctx, uint32_t position, const hid_sim_item* item), void* ctx) {
    uint32_t position = 0;
    const char* p = list;
    if (list == NULL)
        return;
    for (;;) {
        const char* end = strchr(p, ';');
        size_t len = end ? (size_t)(end - p) : strlen(p);
        hid_sim_item item;
        if (len > 0 && hid_sim_parse_item(p, len, &item) == 0) {
            if (visit(ctx, position, &item))
                return;
            ++position;
        }
        if (end == NULL)
            return;
        p = end + 1;
    }
}

void hid_sim_path(const hid_sim_item* item, char* out, size_t cap) {
    snprintf(out, cap, "sim:vid_%04x&pid_%04x:%s", item->vendor, item->product, item->socket_path);
}
