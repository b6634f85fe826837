// The state hash that recorded runs are checked with.
#include "world/world.h"

namespace {

// 64-bit FNV-1a over the values, field by field (never over padding).
struct hasher {
    unsigned long long h = 0xcbf29ce484222325ull;

    void add(long long v)
    {
        for (int i = 0; i < 8; i++) {
            h ^= (unsigned long long)(v >> (8 * i)) & 0xff;
            h *= 0x100000001b3ull;
        }
    }
    void add(const ship& s) { add(s.x), add(s.y), add(s.hp), add(s.pattern), add(s.dx), add(s.dy); }
    void add(const projectile& p) { add(p.x), add(p.y), add(p.dx), add(p.dy); }
    void add(const partical& p) { add(p.x), add(p.y), add(p.dx), add(p.dy), add(p.colour); }
    void add(const snow& s) { add(s.x), add(s.y), add(s.speed); }
    template <class T>
    void add(const std::vector<T>& v)
    {
        add((long long)v.size());
        for (const T& e : v)
            add(e);
    }
};

}  // namespace

unsigned long long state_hash()
{
    hasher h;
    for (long long v : {(long long)loop_num, (long long)end_game, (long long)boss_stage,
                        (long long)score, (long long)wrp_spd, (long long)last_hit,
                        (long long)lives, (long long)stage, (long long)r_stage,
                        (long long)e_left, (long long)saved, (long long)rnd_state()})
        h.add(v);
    h.add(player);
    const control& c = controls;
    h.add(c.up | c.right << 1 | c.down << 2 | c.left << 3 | c.fire << 4 | c.next << 5);
    h.add(boss.type), h.add(boss.mode), h.add(boss.param), h.add(boss.timer);
    h.add(boss.body);
    h.add(boss.parts);
    h.add(enemy), h.add(eshot), h.add(shot), h.add(bonus), h.add(spark), h.add(star);
    for (int s : highscore)
        h.add(s);
    return h.h;
}
