#include "shell/machine/asset_files.h"
#include "shell/machine/checks.h"
#include "shell/machine/files.h"

#include <allegro.h>

std::string read_asset(const std::string& path, std::vector<unsigned char>& bytes)
{
    std::string why;
    if (!read_regular(path, bytes, why, ASSET_BYTES_MAX))
        return why == "too large" ? "too large for an asset" : why;
    return check_asset(path, bytes);
}

BITMAP* decode_image(const std::vector<unsigned char>& bytes)
{
    PACKFILE* f = memory_packfile(bytes);
    if (!f)
        return NULL;
    BITMAP* b = load_bmp_pf(f, NULL);
    pack_fclose(f);
    // Sprites are drawn, and blended, as pixels of the buffer's depth.
    if (b && bitmap_color_depth(b) != get_color_depth()) {
        destroy_bitmap(b);
        b = NULL;
    }
    return b;
}

SAMPLE* decode_sound(const std::vector<unsigned char>& bytes)
{
    PACKFILE* f = memory_packfile(bytes);
    if (!f)
        return NULL;
    SAMPLE* s = load_wav_pf(f);
    pack_fclose(f);
    return s;
}

FONT* decode_font(const std::vector<unsigned char>& bytes, std::string& why)
{
    PACKFILE* f = memory_packfile(bytes);
    if (!f) {
        why = "out of memory";
        return NULL;
    }
    // As load_bitmap_font() does: an 8-bit sheet stays 8-bit, its palette
    // indices being what the grabber reads.
    int conversion = get_color_conversion();
    set_color_conversion(COLORCONV_MOST | COLORCONV_KEEP_TRANS);
    BITMAP* sheet = load_pcx_pf(f, NULL);
    set_color_conversion(conversion);
    pack_fclose(f);
    if (!sheet) {
        why = "damaged";
        return NULL;
    }
    why = check_font_sheet(sheet);
    FONT* font = why.empty() ? grab_font_from_bitmap(sheet) : NULL;
    destroy_bitmap(sheet);
    if (!font && why.empty())
        why = "damaged";
    return font;
}
