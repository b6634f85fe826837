// What playing back a recording reports: the run's final figures and the
// state hash at the end of every Nth recorded pass. The replay tool prints
// it, make_golden stores it beside each golden run, and the replay test
// compares against it, so all three share this one text form:
//
//   pass 250 3f0c9a...        (one line per hash taken)
//   passes 20000
//   score 312
//   r_stage 2
//   boss_stage 1
//   lives 1
//   hash 9b01e4...
#pragma once

#include "zelto.h"

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

struct hash_at {
    int pass;
    unsigned long long hash;
};

struct figures {
    int passes = 0, score = 0, r_stage = 0, lives = 0;
    bool boss_stage = false;
    unsigned long long hash = 0;
    std::vector<hash_at> hashes;
};

namespace replay_hooks {
inline int every;
inline size_t hashed;    // recorded passes read when the last hash was taken
inline std::vector<hash_at>* out;

// At the end of a pass, so the hash is the state that pass left behind;
// only passes that read a recorded byte count.
inline void take_hash()
{
    size_t read = recorded_passes_read();
    if (read != hashed && read % every == 0)
        out->push_back(hash_at{int(read), state_hash()});
    hashed = read;
}
}  // namespace replay_hooks

// Plays the run through the game's own replay; the caller has started the
// game with startup_headless(run.seed) and shuts it down afterwards.
inline figures play_back(const recording& run, int every)
{
    namespace h = replay_hooks;
    figures f;
    h::every = every;
    h::hashed = 0;
    h::out = &f.hashes;
    if (every > 0)
        after_pass = h::take_hash;
    f.passes = replay(run);
    after_pass = nullptr;
    f.score = score;
    f.r_stage = r_stage;
    f.boss_stage = boss_stage;
    f.lives = lives;
    f.hash = state_hash();
    return f;
}

inline std::string hex(unsigned long long v)
{
    char s[17];
    snprintf(s, sizeof s, "%016llx", v);
    return s;
}

inline std::string to_text(const figures& f)
{
    std::string t;
    for (const hash_at& h : f.hashes)
        t += "pass " + std::to_string(h.pass) + " " + hex(h.hash) + "\n";
    t += "passes " + std::to_string(f.passes) + "\nscore " + std::to_string(f.score) +
         "\nr_stage " + std::to_string(f.r_stage) + "\nboss_stage " +
         std::to_string(int(f.boss_stage)) + "\nlives " + std::to_string(f.lives) + "\nhash " +
         hex(f.hash) + "\n";
    return t;
}

inline bool from_text(const std::string& text, figures& f)
{
    std::istringstream in(text);
    std::string word;
    int fields = 0;
    while (in >> word) {
        if (word == "pass") {
            hash_at h;
            std::string v;
            if (!(in >> h.pass >> v))
                return false;
            h.hash = std::stoull(v, nullptr, 16);
            f.hashes.push_back(h);
            continue;
        }
        std::string v;
        if (!(in >> v))
            return false;
        fields++;
        if (word == "passes") f.passes = std::stoi(v);
        else if (word == "score") f.score = std::stoi(v);
        else if (word == "r_stage") f.r_stage = std::stoi(v);
        else if (word == "boss_stage") f.boss_stage = v == "1";
        else if (word == "lives") f.lives = std::stoi(v);
        else if (word == "hash") f.hash = std::stoull(v, nullptr, 16);
        else fields--;
    }
    return fields == 6;
}

// "" when they agree; otherwise where the run first went another way.
inline std::string first_difference(const figures& want, const figures& got)
{
    int agreed = 0;
    for (size_t i = 0; i < want.hashes.size(); i++) {
        if (i >= got.hashes.size())
            return "the replay ended before pass " + std::to_string(want.hashes[i].pass);
        if (got.hashes[i].pass != want.hashes[i].pass || got.hashes[i].hash != want.hashes[i].hash)
            return "the run went another way between pass " + std::to_string(agreed) +
                   " and pass " + std::to_string(want.hashes[i].pass);
        agreed = want.hashes[i].pass;
    }
    if (got.hashes.size() > want.hashes.size())
        return "the replay ran past pass " + std::to_string(agreed);
    if (to_text(want) != to_text(got))
        return "the final figures differ after pass " + std::to_string(agreed) + ":\nwanted\n" +
               to_text(want) + "got\n" + to_text(got);
    return "";
}
