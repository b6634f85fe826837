// Songs: the three tracker songs of the game, read from note data in
// songs/*.txt and written as FastTracker II modules (.XM) with synthesised
// instruments. The notation is described at the top of each song file; this
// reader fails with file:line on anything it does not understand, so a typo
// never turns into a silent wrong note.
#include "songs_xm.h"

#include <cctype>
#include <map>
#include <sstream>

namespace {

struct Channel {
    std::string name;
    bool drums = false;
    int instrument = 0;  // default for melodic channels
};

struct DrumHit {
    int instrument = 0, note = 49, volume = -1;
};

struct Reader {
    std::string path;
    int line_no = 0;
    XmSong song;
    std::vector<Channel> channels;
    std::map<std::string, int> instruments;  // name -> 1-based number
    std::map<char, DrumHit> drums;
    std::map<std::string, int> pattern_index;
    std::vector<std::string> order_names;
    int swing[2] = {0, 0};
    std::string swing_name;
    int swing_channel = -1;
    bool has_bpm = false, has_speed = false;

    // The pattern being filled, and where each channel's running line is.
    int current = -1;
    std::vector<int> fill;  // -1: not written in this pattern
    std::vector<int> active_instrument;

    [[noreturn]] void error(const std::string& what) const
    {
        fail(path + ":" + std::to_string(line_no) + ": " + what);
    }

    int number(const std::string& s, int lo, int hi) const
    {
        if (s.empty() || s.size() > 6)
            error("expected a number, got '" + s + "'");
        for (char c : s)
            if (!isdigit(uint8_t(c)))
                error("expected a number, got '" + s + "'");
        int v = std::stoi(s);
        if (v < lo || v > hi)
            error(s + " is outside " + std::to_string(lo) + ".." + std::to_string(hi));
        return v;
    }

    int channel_index(const std::string& name) const
    {
        for (size_t i = 0; i < channels.size(); i++)
            if (channels[i].name == name)
                return int(i);
        return -1;
    }

    int instrument(const std::string& name) const
    {
        auto it = instruments.find(name);
        if (it == instruments.end())
            error("unknown instrument '" + name + "'");
        return it->second;
    }

    // "C-4", "C#4", "Db4" -> 1..96; 0 when the text is no note at all.
    static int parse_note(const std::string& s)
    {
        static const int SEMI[7] = {9, 11, 0, 2, 4, 5, 7};  // A..G
        if (s.size() != 3 || s[0] < 'A' || s[0] > 'G' || !isdigit(uint8_t(s[2])))
            return 0;
        int semi = SEMI[s[0] - 'A'];
        if (s[1] == '#')
            semi++;
        else if (s[1] == 'b')
            semi--;
        else if (s[1] != '-')
            return 0;
        int n = (s[2] - '0') * 12 + semi + 1;
        return n >= 1 && n <= 96 ? n : 0;
    }

    static int effect_code(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'Z')
            return c - 'A' + 10;
        return -1;
    }

    static int hex(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    // "(a b)*3" -> "a b a b a b", innermost groups first.
    std::string expand(const std::string& s) const
    {
        size_t open = s.find('(');
        if (open == std::string::npos) {
            if (s.find(')') != std::string::npos)
                error("')' without '('");
            return s;
        }
        int depth = 0;
        size_t close = open;
        for (; close < s.size(); close++) {
            if (s[close] == '(')
                depth++;
            else if (s[close] == ')' && --depth == 0)
                break;
        }
        if (close == s.size())
            error("'(' without ')'");
        size_t end = close + 1;
        if (end >= s.size() || s[end] != '*')
            error("a group needs a repeat count: (...)*N");
        end++;
        size_t digits = end;
        while (end < s.size() && isdigit(uint8_t(s[end])))
            end++;
        int times = number(s.substr(digits, end - digits), 1, 256);
        std::string inner = expand(s.substr(open + 1, close - open - 1));
        std::string out = s.substr(0, open);
        for (int i = 0; i < times; i++)
            out += " " + inner + " ";
        return out + expand(s.substr(end));
    }

    XmCell& cell(int row, int ch)
    {
        XmPattern& p = song.patterns[current];
        return p.cells[size_t(row) * channels.size() + ch];
    }

    XmCell melodic_slot(const std::string& tok, int ch)
    {
        XmCell c;
        size_t i = 0;
        if (tok[0] == '.') {
            while (i < tok.size() && tok[i] == '.')
                i++;
        } else if (tok.compare(0, 2, "==") == 0) {
            c.note = 97;
            while (i < tok.size() && tok[i] == '=')
                i++;
        } else {
            int n = parse_note(tok.substr(0, 3));
            if (!n)
                error("not a note: '" + tok + "'");
            c.note = uint8_t(n);
            c.ins = uint8_t(active_instrument[ch]);
            i = 3;
        }
        while (i < tok.size()) {
            if (tok[i] == 'v') {
                size_t j = i + 1;
                while (j < tok.size() && isdigit(uint8_t(tok[j])))
                    j++;
                c.vol = uint8_t(0x10 + number(tok.substr(i + 1, j - i - 1), 0, 64));
                i = j;
            } else if (tok[i] == '!' && i + 3 < tok.size() && effect_code(tok[i + 1]) >= 0 &&
                       hex(tok[i + 2]) >= 0 && hex(tok[i + 3]) >= 0) {
                c.fx = uint8_t(effect_code(tok[i + 1]));
                c.param = uint8_t(hex(tok[i + 2]) * 16 + hex(tok[i + 3]));
                i += 4;
            } else {
                error("cannot read '" + tok + "' (suffixes: vNN volume, !XYY effect)");
            }
        }
        return c;
    }

    // A channel line: "NAME[/STEP][@ROW] slots...".
    void channel_line(const std::string& head, const std::string& body)
    {
        std::string name = head;
        int step = 1, at = -1;
        size_t mark = name.find_first_of("/@");
        if (mark != std::string::npos) {
            std::string rest = name.substr(mark);
            name = name.substr(0, mark);
            while (!rest.empty()) {
                char kind = rest[0];
                size_t next = rest.find_first_of("/@", 1);
                std::string val = rest.substr(1, next == std::string::npos ? next : next - 1);
                if (kind == '/')
                    step = number(val, 1, 256);
                else
                    at = number(val, 0, 255);
                rest = next == std::string::npos ? "" : rest.substr(next);
            }
        }
        int ch = channel_index(name);
        if (ch < 0)
            error("unknown channel or keyword '" + name + "'");

        const XmPattern& p = song.patterns[current];
        int row;
        if (at >= 0) {
            row = at;
        } else {
            if (fill[ch] < 0) {
                for (int r = 0; r < p.rows; r++)
                    cell(r, ch) = XmCell();
                fill[ch] = 0;
            }
            row = fill[ch];
        }

        std::string text = expand(body);
        for (char& c : text)
            if (c == '|')
                c = ' ';
        std::vector<std::string> slots;
        std::istringstream words(text);
        std::string w;
        while (words >> w) {
            if (channels[ch].drums)
                for (char c : w)
                    slots.push_back(std::string(1, c));
            else
                slots.push_back(w);
        }

        for (const std::string& s : slots) {
            if (s[0] == '@' && !channels[ch].drums) {
                active_instrument[ch] = instrument(s.substr(1));
                continue;
            }
            if (row + step > p.rows)
                error(name + " runs past the end of the pattern (" + std::to_string(p.rows) +
                      " rows)");
            XmCell c;
            if (channels[ch].drums) {
                if (s[0] != '.') {
                    auto it = drums.find(s[0]);
                    if (it == drums.end())
                        error(std::string("no drum is called '") + s[0] + "'");
                    c.note = uint8_t(it->second.note);
                    c.ins = uint8_t(it->second.instrument);
                    if (it->second.volume >= 0)
                        c.vol = uint8_t(0x10 + it->second.volume);
                }
            } else {
                c = melodic_slot(s, ch);
            }
            cell(row, ch) = c;
            for (int r = 1; r < step; r++)
                cell(row + r, ch) = XmCell();
            row += step;
        }
        if (at < 0)
            fill[ch] = row;
    }

    void finish_pattern()
    {
        if (current < 0)
            return;
        for (size_t ch = 0; ch < channels.size(); ch++)
            if (fill[ch] >= 0 && fill[ch] != song.patterns[current].rows)
                error("pattern ending here: channel " + channels[ch].name + " fills " +
                      std::to_string(fill[ch]) + " of " +
                      std::to_string(song.patterns[current].rows) + " rows");
        current = -1;
    }

    void start_pattern(const std::vector<std::string>& w)
    {
        if (channels.empty())
            error("declare the channels before the patterns");
        if (w.size() % 2 || pattern_index.count(w[1]))
            error("pattern NEW_NAME [rows N] [from EARLIER]");
        int rows = -1, from = -1;
        for (size_t i = 2; i < w.size(); i += 2) {
            if (w[i] == "rows")
                rows = number(w[i + 1], 1, 256);
            else if (w[i] == "from" && pattern_index.count(w[i + 1]))
                from = pattern_index[w[i + 1]];
            else
                error("pattern NEW_NAME [rows N] [from EARLIER]: cannot read '" + w[i] + " " +
                      w[i + 1] + "'");
        }
        XmPattern p;
        if (from >= 0) {
            p = song.patterns[from];
            if (rows >= 0 && rows != p.rows)
                error("a copied pattern keeps the rows of its source");
        } else {
            p.rows = rows >= 0 ? rows : 64;
            p.cells.assign(size_t(p.rows) * channels.size(), XmCell());
        }
        pattern_index[w[1]] = int(song.patterns.size());
        current = int(song.patterns.size());
        song.patterns.push_back(p);
        fill.assign(channels.size(), -1);
        active_instrument.clear();
        for (const Channel& c : channels)
            active_instrument.push_back(c.instrument);
    }

    void header_line(const std::vector<std::string>& w, const std::string& line)
    {
        const std::string& key = w[0];
        double tick_hz = song.bpm * 2.0 / 5.0;
        if (key == "title" && w.size() >= 2) {
            size_t from = line.find(w[1], line.find("title") + 5);
            song.title = line.substr(from, line.find_last_not_of(" \t") + 1 - from);
        } else if (key == "speed" && w.size() == 2) {
            song.speed = number(w[1], 1, 31);
            has_speed = true;
        } else if (key == "bpm" && w.size() == 2) {
            song.bpm = number(w[1], 32, 255);
            has_bpm = true;
        } else if (key == "swing" && w.size() == 4) {
            swing[0] = number(w[1], 1, 31);
            swing[1] = number(w[2], 1, 31);
            swing_name = w[3];
        } else if (key == "instrument" && (w.size() == 3 || w.size() == 5 || w.size() == 7)) {
            if (!has_bpm)
                error("set the bpm before the instruments (their envelopes are in ticks)");
            if (instruments.count(w[1]))
                error("instrument '" + w[1] + "' declared twice");
            XmInstrument in = synth_instrument(w[2], tick_hz);
            in.name = w[1];
            for (size_t i = 3; i < w.size(); i += 2) {
                if (w[i] == "vol")
                    in.volume = number(w[i + 1], 0, 64);
                else if (w[i] == "pan")
                    in.pan = number(w[i + 1], 0, 255);
                else
                    error("instrument options are vol N and pan N");
            }
            song.instruments.push_back(in);
            instruments[w[1]] = int(song.instruments.size());
        } else if (key == "channel" && w.size() == 3) {
            if (channel_index(w[1]) >= 0 || !song.patterns.empty())
                error("channels are declared once, before the patterns");
            Channel c;
            c.name = w[1];
            if (w[2] == "drums")
                c.drums = true;
            else
                c.instrument = instrument(w[2]);
            channels.push_back(c);
        } else if (key == "drum" && w.size() >= 3 && w.size() <= 5 && w[1].size() == 1) {
            char letter = w[1][0];
            if (std::string(".|()*@ ").find(letter) != std::string::npos || drums.count(letter))
                error(std::string("drum letter '") + letter + "' is taken");
            DrumHit d;
            d.instrument = instrument(w[2]);
            for (size_t i = 3; i < w.size(); i++) {
                if (w[i][0] == 'v')
                    d.volume = number(w[i].substr(1), 0, 64);
                else if (!(d.note = parse_note(w[i])))
                    error("drum LETTER INSTRUMENT [NOTE] [vNN]");
            }
            drums[letter] = d;
        } else if (key == "order") {
            for (size_t i = 1; i < w.size(); i++) {
                if (w[i] == "|:")
                    song.restart = int(order_names.size());
                else
                    order_names.push_back(w[i]);
            }
        } else {
            error("cannot read this line");
        }
    }

    void read(const std::string& file)
    {
        path = file;
        std::vector<std::string> lines = read_lines(file);
        for (line_no = 1; line_no <= int(lines.size()); line_no++) {
            std::string line = lines[line_no - 1];
            // '#' opens a comment at the start of a line or after a blank,
            // so sharps inside notes (C#4) are safe.
            for (size_t i = 0; i < line.size(); i++)
                if (line[i] == '#' && (i == 0 || isspace(uint8_t(line[i - 1])))) {
                    line.resize(i);
                    break;
                }
            std::istringstream in(line);
            std::vector<std::string> w;
            std::string word;
            while (in >> word)
                w.push_back(word);
            if (w.empty())
                continue;
            if (w[0] == "pattern") {
                finish_pattern();
                start_pattern(w);
            } else if (current >= 0 && w[0] != "order") {
                size_t head_end = line.find(w[0]) + w[0].size();
                channel_line(w[0], line.substr(head_end));
            } else {
                header_line(w, line);
            }
        }
        finish_pattern();

        if (!has_bpm || !has_speed || order_names.empty())
            error("a song needs bpm, speed and an order list");
        song.channels = int(channels.size());
        for (const std::string& name : order_names) {
            auto it = pattern_index.find(name);
            if (it == pattern_index.end())
                error("order names an unknown pattern '" + name + "'");
            song.order.push_back(it->second);
        }
        if (song.restart >= int(song.order.size()))
            error("'|:' needs a pattern after it");
        if (!swing_name.empty()) {
            swing_channel = channel_index(swing_name);
            if (swing_channel < 0)
                error("swing names an unknown channel '" + swing_name + "'");
            apply_swing();
        }
    }

    // Alternating row speeds keep the tempo but lengthen every first
    // sixteenth: the effect column of one channel carries them on every row.
    void apply_swing()
    {
        song.speed = swing[0];
        for (size_t p = 0; p < song.patterns.size(); p++) {
            XmPattern& pat = song.patterns[p];
            for (int r = 0; r < pat.rows; r++) {
                XmCell& c = pat.cells[size_t(r) * channels.size() + swing_channel];
                if (c.fx || c.param)
                    error("swing channel " + channels[swing_channel].name +
                          " already has an effect in a pattern at row " + std::to_string(r));
                c.fx = 15;  // Fxx: set speed
                c.param = uint8_t(swing[r % 2]);
            }
        }
    }
};

struct SongFile {
    const char* source;
    const char* output;
};

const SongFile SONGS[] = {
    {"shopping.txt", "SHOPPING.XM"},
    {"lounge.txt", "LOUNGE.XM"},
    {"exp4a.txt", "EXP4A.XM"},
};

}  // namespace

void make_songs(const std::string& src_dir, const std::string& out_dir)
{
    for (const SongFile& s : SONGS) {
        Reader r;
        r.read(src_dir + "/songs/" + s.source);
        write_bytes(out_dir + "/" + s.output, xm_file(r.song));
    }
}
