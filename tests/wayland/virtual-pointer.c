/* A pointer for the Wayland tests: the headless seat has no input devices,
 * so no client gets a wl_pointer until something gives it one.
 *   tovra_virtual_pointer            a virtual pointer on the default seat;
 *                                    "ready" once the compositor has it, then
 *                                    kept until SIGTERM or end of stdin
 *   tovra_virtual_pointer move DX DY one relative motion of the cursor
 * Exits 0, or 1 (with a message) when the compositor offers no virtual
 * pointers or goes away, 2 on a bad command line. */
#define _GNU_SOURCE
#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>
#include <wayland-client.h>

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

static struct zwlr_virtual_pointer_manager_v1 *manager;
static struct wl_seat *seat;
static volatile sig_atomic_t stopping;

static void global(void *data, struct wl_registry *registry, uint32_t name, const char *interface,
                   uint32_t version) {
    (void)data;
    (void)version;
    if (strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0 && !manager)
        manager = wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
    else if (strcmp(interface, wl_seat_interface.name) == 0 && !seat)
        seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
}

static void global_remove(void *data, struct wl_registry *registry, uint32_t name) {
    (void)data;
    (void)registry;
    (void)name;
}

static const struct wl_registry_listener registry_listener = {global, global_remove};

static void on_signal(int sig) {
    (void)sig;
    stopping = 1;
}

static uint32_t now_ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (uint32_t)(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

/* Until SIGTERM (or SIGINT), end of stdin, or the compositor hanging up
 * (false). */
static int wait_for_end(struct wl_display *display) {
    sigset_t term, old;
    sigemptyset(&term);
    sigaddset(&term, SIGTERM);
    sigaddset(&term, SIGINT);
    sigprocmask(SIG_BLOCK, &term, &old);
    struct sigaction sa;
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = on_signal;
    sigaction(SIGTERM, &sa, NULL);
    sigaction(SIGINT, &sa, NULL);
    struct pollfd fds[2] = {{wl_display_get_fd(display), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    while (!stopping) {
        if (wl_display_flush(display) < 0 && errno != EAGAIN)
            return 0;
        if (ppoll(fds, 2, NULL, &old) < 0) {
            if (errno == EINTR)
                continue;
            return 0;
        }
        if (fds[0].revents & (POLLERR | POLLHUP))
            return 0;
        if ((fds[0].revents & POLLIN) && wl_display_dispatch(display) < 0)
            return 0;
        if (fds[1].revents & POLLNVAL)
            fds[1].fd = -1; /* no stdin at all: only the signal ends it */
        else if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
            char buf[256];
            ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
            if (n <= 0 && !(n < 0 && errno == EINTR))
                return 1;
        }
    }
    return 1;
}

int main(int argc, char **argv) {
    int move = argc == 4 && strcmp(argv[1], "move") == 0;
    double dx = 0, dy = 0;
    if (move) {
        char *end1, *end2;
        dx = strtod(argv[2], &end1);
        dy = strtod(argv[3], &end2);
        if (*end1 || *end2 || end1 == argv[2] || end2 == argv[3])
            move = -1;
    }
    if (move < 0 || (argc != 1 && !move)) {
        fprintf(stderr, "usage: %s [move DX DY]\n", argv[0]);
        return 2;
    }

    struct wl_display *display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "virtual-pointer: cannot connect to the Wayland display\n");
        return 1;
    }
    struct wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registry_listener, NULL);
    if (wl_display_roundtrip(display) < 0 || !manager) {
        fprintf(stderr, "virtual-pointer: the compositor offers no %s\n",
                zwlr_virtual_pointer_manager_v1_interface.name);
        return 1;
    }
    struct zwlr_virtual_pointer_v1 *pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, seat);
    if (move) {
        zwlr_virtual_pointer_v1_motion(pointer, now_ms(), wl_fixed_from_double(dx), wl_fixed_from_double(dy));
        zwlr_virtual_pointer_v1_frame(pointer);
    }
    if (wl_display_roundtrip(display) < 0) {
        fprintf(stderr, "virtual-pointer: the compositor refused the pointer\n");
        return 1;
    }
    int ok = 1;
    if (!move) {
        printf("ready\n");
        fflush(stdout);
        ok = wait_for_end(display);
        if (!ok)
            fprintf(stderr, "virtual-pointer: the compositor went away\n");
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    zwlr_virtual_pointer_manager_v1_destroy(manager);
    if (seat)
        wl_seat_destroy(seat);
    wl_registry_destroy(registry);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return ok ? 0 : 1;
}
