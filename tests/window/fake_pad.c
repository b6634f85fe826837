/* A pad the window tests can plug in, move, press and pull out: preloaded
 * into the real game, it answers for the kernel's joystick devices
 * /dev/input/jsN as the Linux joystick interface does (open, the JSIOCG
 * ioctls, struct js_event on read) from files a script writes.
 *
 * FAKE_PAD_DIR names a folder; the file jsN there is pad N. While it exists
 * the pad is plugged in, and it holds the pad's state on one line: six axes
 * (-32767..32767: the stick's x and y, a second stick, the d-pad's hat x and
 * y) and twelve buttons as 0s and 1s, e.g. "0 0 0 0 0 0 100000000000".
 * Replace it whole (write another file, then mv) to change the state;
 * remove it to pull the pad out. Each read of the device hands out the
 * changes since the last one; a pulled pad's device fails with ENODEV, as
 * the kernel's does. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/joystick.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#define PAD_AXES 6
#define PAD_BUTTONS 12
#define MAX_FDS 64
#define DEVICE_PREFIX "/dev/input/js"
#define PAD_NAME "Zelto Test Pad"

struct pad_state {
    int axis[PAD_AXES];
    int button[PAD_BUTTONS];
};

/* An open device: which pad, what it has reported so far. */
struct open_pad {
    int open;
    int pad;
    int reported;  /* the initial state has gone out */
    struct pad_state last;
};

static struct open_pad fds[MAX_FDS];

/* The pad number of a device path we answer for, or -1. */
static int pad_of(const char *path)
{
    if (!path || strncmp(path, DEVICE_PREFIX, strlen(DEVICE_PREFIX)) != 0)
        return -1;
    const char *n = path + strlen(DEVICE_PREFIX);
    if (n[0] < '0' || n[0] > '9' || (n[1] && (n[1] < '0' || n[1] > '9' || n[2])))
        return -1;
    return n[1] ? (n[0] - '0') * 10 + n[1] - '0' : n[0] - '0';
}

static void state_path(int pad, char *out, size_t size)
{
    const char *dir = getenv("FAKE_PAD_DIR");
    snprintf(out, size, "%s/js%d", dir ? dir : ".", pad);
}

/* The pad's state from its file; 0 when it is pulled out. A file being
 * replaced just then reads as the state before. */
static int read_state(int pad, struct pad_state *st)
{
    static int (*real_open)(const char *, int, ...);
    if (!real_open)
        real_open = (int (*)(const char *, int, ...))dlsym(RTLD_NEXT, "open");
    char path[4096];
    state_path(pad, path, sizeof path);
    int fd = real_open(path, O_RDONLY);
    if (fd < 0)
        return 0;
    char text[256];
    ssize_t n = read(fd, text, sizeof text - 1);
    close(fd);
    if (n < 0)
        n = 0;
    text[n] = 0;
    struct pad_state s;
    char buttons[PAD_BUTTONS + 8] = "";
    if (sscanf(text, "%d %d %d %d %d %d %20s", &s.axis[0], &s.axis[1], &s.axis[2], &s.axis[3],
               &s.axis[4], &s.axis[5], buttons) == 7) {
        for (int b = 0; b < PAD_BUTTONS; b++)
            s.button[b] = buttons[b] == '1';
        *st = s;
    }
    return 1;
}

static int plugged(int pad)
{
    struct pad_state s;
    memset(&s, 0, sizeof s);
    return read_state(pad, &s);
}

static int fake_open(const char *path, int pad)
{
    if (!plugged(pad)) {
        errno = ENOENT;
        return -1;
    }
    /* Any real descriptor will do: every call on it comes here. */
    static int (*real_open)(const char *, int, ...);
    if (!real_open)
        real_open = (int (*)(const char *, int, ...))dlsym(RTLD_NEXT, "open");
    int fd = real_open("/dev/null", O_RDONLY);
    if (fd < 0 || fd >= MAX_FDS) {
        if (fd >= 0)
            close(fd);
        errno = EMFILE;
        return -1;
    }
    memset(&fds[fd], 0, sizeof fds[fd]);
    fds[fd].open = 1;
    fds[fd].pad = pad;
    (void)path;
    return fd;
}

static struct open_pad *ours(int fd)
{
    return fd >= 0 && fd < MAX_FDS && fds[fd].open ? &fds[fd] : NULL;
}

#define OPEN_WRAPPER(name)                                                                    \
    int name(const char *path, int flags, ...)                                               \
    {                                                                                        \
        static int (*real)(const char *, int, ...);                                          \
        int pad = pad_of(path);                                                              \
        if (pad >= 0)                                                                        \
            return fake_open(path, pad);                                                     \
        if (!real)                                                                           \
            real = (int (*)(const char *, int, ...))dlsym(RTLD_NEXT, #name);                 \
        va_list ap;                                                                          \
        va_start(ap, flags);                                                                 \
        mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(ap, mode_t) : 0;              \
        va_end(ap);                                                                          \
        return real(path, flags, mode);                                                      \
    }
OPEN_WRAPPER(open)
OPEN_WRAPPER(open64)

int __open_2(const char *path, int flags)
{
    return open(path, flags);
}

int __open64_2(const char *path, int flags)
{
    return open(path, flags);
}

#define STAT_WRAPPER(name, type)                                                             \
    int name(const char *path, type *st)                                                     \
    {                                                                                        \
        static int (*real)(const char *, type *);                                            \
        if (!real)                                                                           \
            real = (int (*)(const char *, type *))dlsym(RTLD_NEXT, #name);                   \
        int pad = pad_of(path);                                                              \
        if (pad < 0)                                                                         \
            return real(path, st);                                                           \
        if (!plugged(pad)) {                                                                 \
            errno = ENOENT;                                                                  \
            return -1;                                                                       \
        }                                                                                    \
        int r = real("/dev/null", st);                                                       \
        return r;                                                                            \
    }
STAT_WRAPPER(stat, struct stat)
STAT_WRAPPER(stat64, struct stat64)

int access(const char *path, int mode)
{
    static int (*real)(const char *, int);
    if (!real)
        real = (int (*)(const char *, int))dlsym(RTLD_NEXT, "access");
    int pad = pad_of(path);
    if (pad < 0)
        return real(path, mode);
    if (!plugged(pad)) {
        errno = ENOENT;
        return -1;
    }
    return 0;
}

int close(int fd)
{
    static int (*real)(int);
    if (!real)
        real = (int (*)(int))dlsym(RTLD_NEXT, "close");
    struct open_pad *p = ours(fd);
    if (p)
        p->open = 0;
    return real(fd);
}

static unsigned now_ms(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (unsigned)(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

/* Puts one event into the caller's buffer if there is room; 1 when it did. */
static int put(struct js_event *out, size_t room, size_t *n, int type, int number, int value)
{
    if (*n >= room)
        return 0;
    out[*n].time = now_ms();
    out[*n].value = (short)value;
    out[*n].type = (unsigned char)type;
    out[*n].number = (unsigned char)number;
    (*n)++;
    return 1;
}

ssize_t read(int fd, void *buf, size_t count)
{
    static ssize_t (*real)(int, void *, size_t);
    if (!real)
        real = (ssize_t(*)(int, void *, size_t))dlsym(RTLD_NEXT, "read");
    struct open_pad *p = ours(fd);
    if (!p)
        return real(fd, buf, count);
    struct pad_state now = p->last;
    if (!read_state(p->pad, &now)) {
        errno = ENODEV;
        return -1;
    }
    struct js_event *out = buf;
    size_t room = count / sizeof *out, n = 0;
    int init = p->reported ? 0 : JS_EVENT_INIT;
    for (int a = 0; a < PAD_AXES; a++)
        if (init || now.axis[a] != p->last.axis[a]) {
            if (!put(out, room, &n, JS_EVENT_AXIS | init, a, now.axis[a]))
                break;
            p->last.axis[a] = now.axis[a];
        }
    for (int b = 0; b < PAD_BUTTONS; b++)
        if (init || now.button[b] != p->last.button[b]) {
            if (!put(out, room, &n, JS_EVENT_BUTTON | init, b, now.button[b]))
                break;
            p->last.button[b] = now.button[b];
        }
    if (n == room && init)
        return (ssize_t)(n * sizeof *out);  /* the rest of the first state next time */
    p->reported = 1;
    if (n == 0) {
        errno = EAGAIN;
        return -1;
    }
    return (ssize_t)(n * sizeof *out);
}

int ioctl(int fd, unsigned long request, ...)
{
    static int (*real)(int, unsigned long, ...);
    if (!real)
        real = (int (*)(int, unsigned long, ...))dlsym(RTLD_NEXT, "ioctl");
    va_list ap;
    va_start(ap, request);
    void *arg = va_arg(ap, void *);
    va_end(ap);
    struct open_pad *p = ours(fd);
    if (!p)
        return real(fd, request, arg);
    if (request == JSIOCGAXES) {
        *(unsigned char *)arg = PAD_AXES;
        return 0;
    }
    if (request == JSIOCGBUTTONS) {
        *(unsigned char *)arg = PAD_BUTTONS;
        return 0;
    }
    if (request == JSIOCGVERSION) {
        *(int *)arg = JS_VERSION;
        return 0;
    }
    if (_IOC_TYPE(request) == 'j' && _IOC_NR(request) == _IOC_NR(JSIOCGNAME(0))) {
        size_t len = _IOC_SIZE(request);
        if (len) {
            strncpy(arg, PAD_NAME, len);
            ((char *)arg)[len - 1] = 0;
        }
        return (int)strlen(PAD_NAME);
    }
    errno = EINVAL;
    return -1;
}
