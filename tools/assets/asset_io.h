// Small file helpers shared by the asset generator's parts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

typedef std::vector<uint8_t> bytes;

// Whole text file; stops the generator with a message when it cannot be read.
std::string read_text(const std::string& path);

// Lines of a text file, without their line ends.
std::vector<std::string> read_lines(const std::string& path);

// Writes the bytes to path, creating missing folders; stops on failure.
void write_bytes(const std::string& path, const bytes& data);

// Creates a folder and its parents.
void make_dirs(const std::string& path);

// Stops the generator with one message on stderr.
[[noreturn]] void fail(const std::string& message);

// Little-endian appenders for binary formats (BMP, WAV, XM).
void put_u8(bytes& b, unsigned v);
void put_u16(bytes& b, unsigned v);
void put_u32(bytes& b, uint32_t v);
void put_text(bytes& b, const std::string& s, size_t width);  // padded with zeros

// Each generator part reads its sources from src_dir and writes into out_dir
// (the layout of data/).
void make_sprites(const std::string& src_dir, const std::string& out_dir);
void make_fonts(const std::string& src_dir, const std::string& out_dir);
void make_sounds(const std::string& src_dir, const std::string& out_dir);
void make_songs(const std::string& src_dir, const std::string& out_dir);
