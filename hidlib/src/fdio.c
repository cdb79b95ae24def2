/* Waiting and draining on file descriptors, shared by both backends. */
#define _GNU_SOURCE
#include "hid_internal.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

/* A flood of reports must not keep a flush busy for ever. */
#define DRAIN_LIMIT 4096

int hid_fd_above_stdio(int fd) {
    if (fd < 0 || fd > 2)
        return fd;
    int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    close(fd);
    return moved;
}

int64_t hid_now_ms(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (int64_t)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

int hid_fd_wait(int fd, short events, uint32_t timeout_ms, short* revents) {
    int64_t deadline = hid_now_ms() + timeout_ms;
    for (;;) {
        int64_t left = deadline - hid_now_ms();
        if (left < 0)
            left = 0;
        struct pollfd p = {fd, events, 0};
        int r = poll(&p, 1, left > INT_MAX ? INT_MAX : (int)left);
        if (r > 0) {
            *revents = p.revents;
            return 1;
        }
        if (r == 0) {
            if (hid_now_ms() >= deadline)
                return 0;
            continue;
        }
        if (errno != EINTR)
            return -1;
    }
}

int hid_fd_drain(int fd, int is_socket) {
    uint8_t scratch[HID_RX_BUFFER_SIZE];
    for (int i = 0; i < DRAIN_LIMIT; ++i) {
        ssize_t n = is_socket ? recv(fd, scratch, sizeof scratch, MSG_DONTWAIT)
                              : read(fd, scratch, sizeof scratch);
        if (n > 0)
            continue;
        if (n == 0)
            return is_socket ? -1 : 0; /* a closed peer cannot be flushed */
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return 0;
        return errno == EBADF ? -2 : -1;
    }
    return 0;
}
