// FastTracker II extended module writer (format version 0x0104): header,
// packed patterns, one sample per instrument, delta-coded sample data.
#include "songs_xm.h"

namespace {

// A cell costs one flag byte plus only the fields it uses, as FT2 packs it.
void put_cell(bytes& b, const XmCell& c)
{
    unsigned flags = 0x80;
    if (c.note) flags |= 1;
    if (c.ins) flags |= 2;
    if (c.vol) flags |= 4;
    if (c.fx) flags |= 8;
    if (c.param) flags |= 16;
    put_u8(b, flags);
    if (c.note) put_u8(b, c.note);
    if (c.ins) put_u8(b, c.ins);
    if (c.vol) put_u8(b, c.vol);
    if (c.fx) put_u8(b, c.fx);
    if (c.param) put_u8(b, c.param);
}

void put_pattern(bytes& b, const XmPattern& p, int channels)
{
    bytes packed;
    for (int r = 0; r < p.rows; r++)
        for (int c = 0; c < channels; c++)
            put_cell(packed, p.cells[size_t(r) * channels + c]);
    if (packed.size() > 0xFFFF)
        fail("pattern too large for XM");
    put_u32(b, 9);  // header length
    put_u8(b, 0);   // packing type
    put_u16(b, p.rows);
    put_u16(b, unsigned(packed.size()));
    b.insert(b.end(), packed.begin(), packed.end());
}

void put_envelope_points(bytes& b, const XmEnvelope& e)
{
    for (int i = 0; i < 12; i++) {
        bool used = i < int(e.points.size());
        put_u16(b, used ? unsigned(e.points[i].first) : 0);
        put_u16(b, used ? unsigned(e.points[i].second) : 0);
    }
}

void put_instrument(bytes& b, const XmInstrument& in)
{
    const XmEnvelope& env = in.env;
    if (env.points.size() > 12)
        fail("instrument " + in.name + ": more than 12 envelope points");

    size_t start = b.size();
    put_u32(b, 263);  // instrument header size, FT2's
    put_text(b, in.name, 22);
    put_u8(b, 0);     // type
    put_u16(b, 1);    // samples
    put_u32(b, 40);   // sample header size
    for (int i = 0; i < 96; i++)
        put_u8(b, 0);  // every note plays sample 0
    put_envelope_points(b, env);
    put_envelope_points(b, XmEnvelope());  // no panning envelope
    put_u8(b, unsigned(env.points.size()));
    put_u8(b, 0);
    put_u8(b, env.sustain < 0 ? 0 : unsigned(env.sustain));
    put_u8(b, 0);  // volume loop start, end
    put_u8(b, 0);
    put_u8(b, 0);  // panning sustain, loop start, end
    put_u8(b, 0);
    put_u8(b, 0);
    put_u8(b, env.points.empty() ? 0 : (env.sustain < 0 ? 1 : 3));
    put_u8(b, 0);  // panning envelope off
    put_u8(b, unsigned(in.vib_type));
    put_u8(b, unsigned(in.vib_sweep));
    put_u8(b, unsigned(in.vib_depth));
    put_u8(b, unsigned(in.vib_rate));
    put_u16(b, unsigned(in.fadeout));
    while (b.size() < start + 263)
        put_u8(b, 0);  // reserved

    unsigned width = in.bits16 ? 2 : 1;
    put_u32(b, uint32_t(in.data.size() * width));
    put_u32(b, uint32_t(in.loop_start * width));
    put_u32(b, uint32_t(in.loop_length * width));
    put_u8(b, unsigned(in.volume));
    put_u8(b, unsigned(uint8_t(int8_t(in.finetune))));
    put_u8(b, (in.loop_length > 0 ? 1 : 0) | (in.bits16 ? 0x10 : 0));
    put_u8(b, unsigned(in.pan));
    put_u8(b, unsigned(uint8_t(int8_t(in.relnote))));
    put_u8(b, 0);  // reserved
    put_text(b, in.name, 22);

    int prev = 0;
    for (int16_t s : in.data) {
        if (in.bits16)
            put_u16(b, uint16_t(s - prev));
        else
            put_u8(b, uint8_t(s - prev));
        prev = s;
    }
}

}  // namespace

bytes xm_file(const XmSong& song)
{
    if (song.order.empty() || song.order.size() > 256)
        fail(song.title + ": order list needs 1 to 256 entries");
    if (song.channels < 1 || song.channels > 32 || song.instruments.size() > 128)
        fail(song.title + ": too many channels or instruments");

    bytes b;
    put_text(b, "Extended Module: ", 17);
    put_text(b, song.title, 20);
    put_u8(b, 0x1A);
    put_text(b, "Zelto make_assets", 20);
    put_u16(b, 0x0104);
    put_u32(b, 276);  // header size from here on
    put_u16(b, unsigned(song.order.size()));
    put_u16(b, unsigned(song.restart));
    put_u16(b, unsigned(song.channels));
    put_u16(b, unsigned(song.patterns.size()));
    put_u16(b, unsigned(song.instruments.size()));
    put_u16(b, 1);  // linear frequency table
    put_u16(b, unsigned(song.speed));
    put_u16(b, unsigned(song.bpm));
    for (int i = 0; i < 256; i++)
        put_u8(b, i < int(song.order.size()) ? unsigned(song.order[i]) : 0);

    for (const XmPattern& p : song.patterns)
        put_pattern(b, p, song.channels);
    for (const XmInstrument& in : song.instruments)
        put_instrument(b, in);
    return b;
}
