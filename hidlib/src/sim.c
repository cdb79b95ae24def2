/* The simulated interface transport: devices listed in TREVOHID_SIM, each a
 * scripted peer on an AF_UNIX SOCK_SEQPACKET socket. */
#define _GNU_SOURCE
#include "hid_internal.h"

#include <errno.h>
#include <poll.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#define SIM_REPORT_LENGTH 64
#define SIM_GRANTED 0x01
#define SIM_HELD 0x02

typedef struct list_ctx {
    hid_entry* out;
    size_t cap;
    size_t count;
} list_ctx;

static int list_visit(void* ctx, uint32_t position, const hid_sim_item* item) {
    list_ctx* c = ctx;
    if (c->count == c->cap)
        return 1;
    hid_entry* e = &c->out[c->count++];
    e->vendor = item->vendor;
    e->product = item->product;
    e->release = item->release;
    e->position = position;
    hid_sim_path(item, e->path, sizeof e->path);
    return 0;
}

static int32_t sim_enumerate(hid_entry* out, size_t cap, size_t* count) {
    list_ctx c = {out, cap, 0};
    hid_sim_walk(getenv("TREVOHID_SIM"), list_visit, &c);
    *count = c.count;
    return HID_OK;
}

typedef struct find_ctx {
    uint32_t position;
    hid_sim_item* item;
    int found;
} find_ctx;

static int find_visit(void* ctx, uint32_t position, const hid_sim_item* item) {
    find_ctx* c = ctx;
    if (position != c->position)
        return 0;
    *c->item = *item;
    c->found = 1;
    return 1;
}

static int32_t sim_open(const hid_entry* entry, uint32_t wait_ms, int* fd_out, uint32_t* flags) {
    /* The socket path is what follows "sim:vid_vvvv&pid_pppp:". */
    const char* path = strchr(entry->path + 4, ':');
    struct sockaddr_un addr;
    if (strncmp(entry->path, "sim:", 4) != 0 || path == NULL)
        return HID_OPEN_FAILED;
    ++path;
    if (strlen(path) >= sizeof addr.sun_path)
        return HID_OPEN_FAILED;
    memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    strcpy(addr.sun_path, path);

    int fd = hid_fd_above_stdio(socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0));
    if (fd < 0)
        return HID_OPEN_FAILED;
    int r;
    do
        r = connect(fd, (struct sockaddr*)&addr, sizeof addr);
    while (r < 0 && errno == EINTR);
    if (r < 0) {
        close(fd);
        return HID_OPEN_FAILED;
    }
    /* The device's first datagram says whether we hold it now. */
    short revents = 0;
    uint8_t answer[SIM_REPORT_LENGTH];
    ssize_t n = -1;
    if (hid_fd_wait(fd, POLLIN, wait_ms, &revents) == 1 && (revents & POLLIN))
        n = recv(fd, answer, sizeof answer, MSG_DONTWAIT);
    if (n == 1 && answer[0] == SIM_GRANTED) {
        *fd_out = fd;
        *flags = 0;
        return HID_OK;
    }
    close(fd);
    return n == 1 && answer[0] == SIM_HELD ? HID_OPEN_HELD : HID_OPEN_FAILED;
}

static void sim_release(int fd) {
    close(fd);
}

static int32_t sim_capabilities(int fd, uint16_t* input_len, uint16_t* output_len,
                                uint32_t* flags) {
    (void)fd;
    (void)flags;
    *input_len = SIM_REPORT_LENGTH;
    *output_len = SIM_REPORT_LENGTH;
    return HID_OK;
}

static int32_t mark_gone(HID_Device* dev) {
    dev->read_wait[HID_WAIT_FLAGS] |= HID_FLAG_GONE;
    return HID_ERR_IO;
}

static int32_t sim_read_report(HID_Device* dev, uint8_t* buf, size_t cap, uint32_t timeout_ms,
                               size_t* got) {
    *got = 0;
    if (dev->read_wait[HID_WAIT_FLAGS] & HID_FLAG_GONE)
        return HID_ERR_IO;
    for (;;) {
        short revents = 0;
        int w = hid_fd_wait(dev->handle, POLLIN, timeout_ms, &revents);
        if (w == 0)
            return HID_ERR_TIMEOUT;
        if (w < 0)
            return HID_ERR_IO;
        if (revents & POLLIN) {
            ssize_t n = recv(dev->handle, buf, cap, MSG_DONTWAIT | MSG_TRUNC);
            if (n == 0)
                return mark_gone(dev);
            if (n < 0) {
                if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
                    continue;
                return errno == ECONNRESET ? mark_gone(dev) : HID_ERR_IO;
            }
            /* A datagram longer than a report was cut: not a report, ignore it. */
            *got = (size_t)n > cap ? 0 : (size_t)n;
            return HID_OK;
        }
        if (revents & (POLLHUP | POLLERR))
            return mark_gone(dev);
        return HID_ERR_IO;
    }
}

static int32_t sim_write_report(HID_Device* dev, const uint8_t* buf, size_t len,
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
        if (revents & (POLLHUP | POLLERR))
            return mark_gone(dev);
        ssize_t n = send(dev->handle, buf, len, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n >= 0) {
            *sent = (size_t)n;
            return HID_OK;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
            continue;
        if (errno == EPIPE || errno == ECONNRESET || errno == ENOTCONN)
            return mark_gone(dev);
        return HID_ERR_IO;
    }
}

static int32_t sim_serial(const HID_Device* dev, char* out, size_t cap) {
    hid_sim_item item;
    find_ctx c = {dev->read_wait[HID_WAIT_POSITION], &item, 0};
    hid_sim_walk(getenv("TREVOHID_SIM"), find_visit, &c);
    if (!c.found || cap == 0)
        return HID_ERR_INVALID;
    strncpy(out, item.serial, cap - 1);
    out[cap - 1] = '\0';
    return HID_OK;
}

static int32_t sim_flush(HID_Device* dev) {
    int r = hid_fd_drain(dev->handle, 1);
    if (r == 0)
        return HID_OK;
    if (r == -2)
        return HID_ERR_INVALID;
    dev->read_wait[HID_WAIT_FLAGS] |= HID_FLAG_GONE;
    return HID_ERR_PLATFORM;
}

static int sim_gone(HID_Device* dev) {
    if (dev->read_wait[HID_WAIT_FLAGS] & HID_FLAG_GONE)
        return 1;
    struct pollfd p = {dev->handle, POLLRDHUP, 0};
    int r = poll(&p, 1, 0);
    /* Reports the peer sent before closing stay readable: no flag set here. */
    return r < 0 || (p.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL)) ? 1 : 0;
}

const hid_backend hid_sim_backend = {
    HID_KIND_SIM,    1,
    sim_enumerate,   sim_open,
    sim_release,     sim_capabilities,
    sim_read_report, sim_write_report,
    sim_serial,      sim_flush,
    sim_gone,
};
