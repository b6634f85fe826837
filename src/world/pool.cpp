#include "world/world.h"

#include <allegro.h>
#include <cstdio>

BITMAP* pool[POOL_SLOTS];
std::map<std::string, BITMAP*> pool_images;

void load_bitmap_pool(char const* path, int slot)
{
    if (slot < 0 || slot >= POOL_SLOTS)
        return;
    if (pool[slot]) {
        destroy_bitmap(pool[slot]);
        pool[slot] = NULL;
    }
    auto kept = pool_images.find(path);
    if (kept == pool_images.end()) {
        fprintf(stderr, "zelto: cannot load %s: not among the images read at start-up\n", path);
        return;
    }
    BITMAP* image = kept->second;
    pool[slot] = create_bitmap(image->w, image->h);
    if (pool[slot])
        blit(image, pool[slot], 0, 0, 0, 0, image->w, image->h);
    else
        fprintf(stderr, "zelto: cannot load %s: out of memory\n", path);
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

void forget_pool_images()
{
    clean_pool();
    for (auto& kept : pool_images)
        destroy_bitmap(kept.second);
    pool_images.clear();
}
