/* A pointer for tests on a wlroots compositor (sway): reads commands from standard input, one a line,
 * and plays them through a virtual pointer of the seat, holding the same device from the first line to
 * the end of input, so that a button stays held across moves:
 *     move X Y     the pointer to (X, Y) in the layout of an output of WIDTH x HEIGHT at (0, 0)
 *     down | up    the left button
 *     wait MS      a pause
 *     token        prints an activation token, as a launcher gets one for a program it starts
 * Each command is sent and confirmed by the compositor before the next is read.
 * Usage: wl-pointer WIDTH HEIGHT < commands */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <wayland-client.h>

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"
#include "xdg-activation-v1-client-protocol.h"

enum { kLeftButton = 0x110 };

static struct wl_seat* seat;
static struct zwlr_virtual_pointer_manager_v1* manager;
static struct xdg_activation_v1* activation;

static void global(void* data, struct wl_registry* registry, uint32_t name, const char* interface, uint32_t version)
{
    (void)data;
    (void)version;
    if (strcmp(interface, wl_seat_interface.name) == 0 && !seat)
        seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
    else if (strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        manager = wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
    else if (strcmp(interface, xdg_activation_v1_interface.name) == 0)
        activation = wl_registry_bind(registry, name, &xdg_activation_v1_interface, 1);
}

static void token_done(void* data, struct xdg_activation_token_v1* token, const char* name)
{
    (void)token;
    *(int*)data = 1;
    printf("%s\n", name);
    fflush(stdout);
}

static int print_token(struct wl_display* display)
{
    if (!activation) {
        fprintf(stderr, "wl-pointer: the compositor offers no activation tokens\n");
        return 0;
    }
    static const struct xdg_activation_token_v1_listener listener = {token_done};
    int done = 0;
    struct xdg_activation_token_v1* token = xdg_activation_v1_get_activation_token(activation);
    xdg_activation_token_v1_add_listener(token, &listener, &done);
    xdg_activation_token_v1_commit(token);
    while (!done && wl_display_roundtrip(display) >= 0) {
    }
    xdg_activation_token_v1_destroy(token);
    return done;
}

static void global_remove(void* data, struct wl_registry* registry, uint32_t name)
{
    (void)data;
    (void)registry;
    (void)name;
}

static uint32_t now_ms(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (uint32_t)(ts.tv_sec * 1000 + ts.tv_nsec / 1000000);
}

int main(int argc, char* argv[])
{
    if (argc != 3) {
        fprintf(stderr, "usage: wl-pointer WIDTH HEIGHT < commands\n");
        return 2;
    }
    const uint32_t width = (uint32_t)atoi(argv[1]), height = (uint32_t)atoi(argv[2]);
    struct wl_display* display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "wl-pointer: no Wayland display\n");
        return 1;
    }
    static const struct wl_registry_listener listener = {global, global_remove};
    wl_registry_add_listener(wl_display_get_registry(display), &listener, NULL);
    wl_display_roundtrip(display);
    if (!manager) {
        fprintf(stderr, "wl-pointer: the compositor offers no virtual pointers\n");
        return 1;
    }
    struct zwlr_virtual_pointer_v1* pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, seat);
    char line[128];
    while (fgets(line, sizeof line, stdin)) {
        unsigned x = 0, y = 0, ms = 0;
        if (sscanf(line, "move %u %u", &x, &y) == 2) {
            zwlr_virtual_pointer_v1_motion_absolute(pointer, now_ms(), x, y, width, height);
        } else if (strncmp(line, "down", 4) == 0 || strncmp(line, "up", 2) == 0) {
            zwlr_virtual_pointer_v1_button(pointer, now_ms(), kLeftButton,
                                           line[0] == 'd' ? WL_POINTER_BUTTON_STATE_PRESSED
                                                          : WL_POINTER_BUTTON_STATE_RELEASED);
        } else if (strncmp(line, "token", 5) == 0) {
            if (!print_token(display))
                return 1;
            continue;
        } else if (sscanf(line, "wait %u", &ms) == 1) {
            struct timespec pause = {ms / 1000, (long)(ms % 1000) * 1000000L};
            nanosleep(&pause, NULL);
            continue;
        } else {
            fprintf(stderr, "wl-pointer: unknown command: %s", line);
            continue;
        }
        zwlr_virtual_pointer_v1_frame(pointer);
        if (wl_display_roundtrip(display) < 0) {
            fprintf(stderr, "wl-pointer: the compositor went away\n");
            return 1;
        }
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
