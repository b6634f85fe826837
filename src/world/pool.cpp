#include "world/world.h"

#include <allegro.h>

BITMAP* pool[POOL_SLOTS];

void load_bitmap_pool(char const* path, int slot)
{
    if (slot < 0 || slot >= POOL_SLOTS)
        return;
    if (pool[slot])
        destroy_bitmap(pool[slot]);
    pool[slot] = load_bitmap(path, NULL);
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
