#include "world/world.h"
#include "shell/assets.h"

#include <allegro.h>
#include <cstdio>

BITMAP* pool[POOL_SLOTS];
std::map<std::string, std::vector<unsigned char>> pool_files;

void load_bitmap_pool(char const* path, int slot)
{
    if (slot < 0 || slot >= POOL_SLOTS)
        return;
    if (pool[slot]) {
        destroy_bitmap(pool[slot]);
        pool[slot] = NULL;
    }
    auto kept = pool_files.find(path);
    std::vector<unsigned char> read;
    std::string why;
    if (kept == pool_files.end())
        why = read_asset(path, read);
    if (why.empty()) {
        pool[slot] = decode_image(kept != pool_files.end() ? kept->second : read);
        if (!pool[slot])
            why = "damaged";
    }
    if (!why.empty())
        fprintf(stderr, "zelto: cannot load %s: %s\n", path, why.c_str());
}

void clean_pool()
{
    for (int i = 0; i < POOL_SLOTS; i++) {
        if (pool[i]) {
            destroy_bitmap(pool[i]);
            pool[i] = NULL;
        }
    }
}
