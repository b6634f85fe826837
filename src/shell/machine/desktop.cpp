#include "shell/machine/desktop.h"

#include <allegro.h>
#include <xalleg.h>
#include <X11/Xatom.h>
#include <cstdio>
#include <vector>

volatile bool window_lost = false;

void name_the_window()
{
    xwin_set_window_name(WINDOW_NAME, WINDOW_CLASS);
}

// ---- A window destroyed from outside -----------------------------------------------

// Called by Xlib on whichever thread met the error, with the connection
// locked: a flag only, which the next frame shown turns into a quit. The
// library goes on drawing into a window that is gone until the game shuts
// down; those errors are expected and let pass.
static int on_x_error(Display*, XErrorEvent* e)
{
    bool ours = e->resourceid == _xwin.window || e->resourceid == _xwin.wm_window ||
                e->resourceid == _xwin.fs_window;
    if (ours && (e->error_code == BadWindow || e->error_code == BadDrawable))
        window_lost = true;
    return 0;
}

void catch_window_errors()
{
    XLOCK();
    XSetErrorHandler(on_x_error);
    XUNLOCK();
}

// ---- Properties ----------------------------------------------------------------

static Atom atom(const char* name)
{
    return XInternAtom(_xwin.display, name, False);
}

// A property of 32-bit items (longs to Xlib) on a window; empty when absent.
static std::vector<unsigned long> read_property(Window w, Atom name, Atom type)
{
    std::vector<unsigned long> items;
    Atom got_type;
    int format;
    unsigned long count, after;
    unsigned char* data = NULL;
    if (XGetWindowProperty(_xwin.display, w, name, 0, 1024, False, type, &got_type, &format, &count,
                           &after, &data) == Success &&
        data && format == 32) {
        const unsigned long* v = reinterpret_cast<const unsigned long*>(data);
        items.assign(v, v + count);
    }
    if (data)
        XFree(data);
    return items;
}

static bool holds(const std::vector<unsigned long>& items, Atom a)
{
    for (unsigned long v : items)
        if (v == a)
            return true;
    return false;
}

void set_window_icon()
{
    if (!_xwin.display || !_xwin.wm_window || window_lost)
        return;
    // Xlib takes 32-bit items as longs: size, size, then ARGB pixels.
    const int n = WINDOW_ICON_SIZE;
    std::vector<unsigned long> icon;
    icon.reserve(2 + size_t(n) * n);
    icon.push_back(n);
    icon.push_back(n);
    for (int i = 0; i < n * n; i++) {
        const unsigned char* p = WINDOW_ICON_RGBA + 4 * i;
        icon.push_back((unsigned long)p[3] << 24 | (unsigned long)p[0] << 16 | (unsigned long)p[1] << 8 | p[2]);
    }
    XLOCK();
    XChangeProperty(_xwin.display, _xwin.wm_window, atom("_NET_WM_ICON"), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(icon.data()), int(icon.size()));
    XFlush(_xwin.display);
    XUNLOCK();
}

// ---- The window manager's fullscreen ----------------------------------------------

// A window manager that follows the desktop conventions names a window of
// its own on the root, which names itself again (a stale one does not), and
// lists the states it supports.
bool wm_has_fullscreen()
{
    if (!_xwin.display || window_lost)
        return false;
    XLOCK();
    Window root = RootWindow(_xwin.display, _xwin.screen);
    Atom check = atom("_NET_SUPPORTING_WM_CHECK");
    bool found = false;
    // The window named may be gone: its error is not the game's.
    XErrorHandler kept = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    std::vector<unsigned long> wm = read_property(root, check, XA_WINDOW);
    if (wm.size() == 1) {
        std::vector<unsigned long> again = read_property(wm[0], check, XA_WINDOW);
        found = again.size() == 1 && again[0] == wm[0] &&
                holds(read_property(root, atom("_NET_SUPPORTED"), XA_ATOM), atom("_NET_WM_STATE_FULLSCREEN"));
    }
    XSync(_xwin.display, False);
    XSetErrorHandler(kept);
    XUNLOCK();
    return found;
}

void ask_wm_fullscreen(bool on)
{
    if (!_xwin.display || window_lost)
        return;
    XLOCK();
    XEvent e = {};
    e.xclient.type = ClientMessage;
    e.xclient.window = _xwin.wm_window;
    e.xclient.message_type = atom("_NET_WM_STATE");
    e.xclient.format = 32;
    e.xclient.data.l[0] = on ? 1 : 0;  // _NET_WM_STATE_ADD or _REMOVE
    e.xclient.data.l[1] = long(atom("_NET_WM_STATE_FULLSCREEN"));
    e.xclient.data.l[3] = 1;  // asked by an application
    XSendEvent(_xwin.display, RootWindow(_xwin.display, _xwin.screen), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &e);
    XFlush(_xwin.display);
    XUNLOCK();
}

int wm_says_fullscreen()
{
    if (!_xwin.display || !_xwin.wm_window || window_lost)
        return -1;
    XLOCK();
    bool on = holds(read_property(_xwin.wm_window, atom("_NET_WM_STATE"), XA_ATOM),
                    atom("_NET_WM_STATE_FULLSCREEN"));
    XUNLOCK();
    return window_lost ? -1 : on;
}

// ---- Keys held across a change of mode ----------------------------------------------

// Passes after a change of mode during which held keys are put back.
const int HOLD_PASSES = 50;

static bool held[KEY_MAX];      // down when the mode changed, and still down since
static bool put_back[KEY_MAX];  // set in key[] here rather than by the library
static int hold_left;

void note_held_keys()
{
    for (int k = 0; k < KEY_MAX; k++)
        held[k] = key[k] != 0, put_back[k] = false;
    hold_left = HOLD_PASSES;
}

// Focus moving to the new window makes the library let go of every key and
// the server sends no new press for a key that stays down: such a key is
// put back while the server still has it down, and forgotten once it is up.
void keep_held_keys()
{
    if (hold_left <= 0 || !_xwin.display || window_lost)
        return;
    hold_left--;
    char down[32];
    XLOCK();
    XQueryKeymap(_xwin.display, down);
    XUNLOCK();
    bool still[KEY_MAX] = {};
    for (int code = 0; code < 256; code++) {
        int k = _xwin.keycode_to_scancode[code];
        if (k > 0 && k < KEY_MAX && (down[code / 8] >> (code % 8) & 1))
            still[k] = true;
    }
    for (int k = 0; k < KEY_MAX; k++) {
        if (!held[k])
            continue;
        if (!still[k]) {
            held[k] = false;
            if (put_back[k])
                key[k] = 0;  // let go while the window had no focus
        } else if (!key[k]) {
            key[k] = -1;
            put_back[k] = true;
        }
    }
}
