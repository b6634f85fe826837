#include "zelto.h"
#include "shell/files.h"

#include <algorithm>
#include <allegro.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

int window_scale = 1;

int open_window(int scale)
{
    // Never a window larger than the desktop: it would open off the screen.
    int width, height, largest = scale;
    bool known = get_desktop_resolution(&width, &height) == 0 && width > 0 && height > 0;
    if (known)
        largest = std::max(1, std::min({scale, width / 640, height / 480}));
    for (int n = largest; n >= 1; n--) {
        if (set_gfx_mode(GFX_AUTODETECT_WINDOWED, 640 * n, 480 * n, 0, 0) != 0)
            continue;
        if (n < scale && n == largest && known)
            fprintf(stderr, "zelto: a %d x %d window does not fit the %d x %d desktop, using %d x %d\n",
                    640 * scale, 480 * scale, width, height, 640 * n, 480 * n);
        else if (n < scale)
            fprintf(stderr, "zelto: a %d x %d window is not available, using %d x %d\n",
                    640 * scale, 480 * scale, 640 * n, 480 * n);
        return n;
    }
    return 0;
}

// Shows a frame in the window, enlarged by whole pixels when it is bigger
// than 640 x 480.
static void show(BITMAP* frame)
{
    if (!screen)
        return;
    if (window_scale == 1)
        blit(frame, screen, 0, 0, 0, 0, 640, 480);
    else
        stretch_blit(frame, screen, 0, 0, 640, 480, 0, 0, 640 * window_scale, 480 * window_scale);
}

void present()
{
    show(buffer);
}

void present_paused()
{
    // The last frame stays as it was (a screenshot still saves it); the word
    // goes on a copy.
    BITMAP* frame = create_bitmap(640, 480);
    if (!frame)
        return;
    blit(buffer, frame, 0, 0, 0, 0, 640, 480);
    textout_centre_ex(frame, title, "Paused", 320, 200, makecol(255, 255, 255), -1);
    show(frame);
    destroy_bitmap(frame);
}

const char* const SCREENSHOT_FILE = "zelto_screen.bmp";

// Makes the BMP in memory, writes it to a temporary file created afresh
// beside the target (never through a link someone left there) and renames
// it into place, so nobody ever reads half a frame. "" or what went wrong.
static std::string save_screenshot(const std::string& path)
{
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        return std::string("its place is taken by ") + kind_of_file(st.st_mode);
    std::vector<unsigned char> bmp;
    PACKFILE* out = memory_out_packfile(bmp);
    if (!out)
        return "out of memory";
    bool made = save_bmp_pf(out, buffer, NULL) == 0;
    pack_fclose(out);
    if (!made)
        return "out of memory";

    std::string temp = path + ".XXXXXX";
    int fd = mkstemp(&temp[0]);
    if (fd < 0)
        return strerror(errno);
    fchmod(fd, new_file_mode());
    bool written = write_all(fd, bmp.data(), bmp.size());
    written = close(fd) == 0 && written;
    if (!written || rename(temp.c_str(), path.c_str()) != 0) {
        std::string why = strerror(errno);
        unlink(temp.c_str());
        return why;
    }
    return "";
}

void screenshot()
{
    // Called on every pass the key is held: a problem is told once, not 50 times a second.
    static std::string told;
    std::string path = save_path(SCREENSHOT_FILE);
    std::string problem = save_screenshot(path);
    if (!problem.empty() && problem != told)
        fprintf(stderr, "zelto: cannot save the screenshot %s: %s\n", path.c_str(), problem.c_str());
    told = problem;
}
