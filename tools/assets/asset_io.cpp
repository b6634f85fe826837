#include "asset_io.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

void fail(const std::string& message)
{
    fprintf(stderr, "make_assets: %s\n", message.c_str());
    exit(1);
}

std::string read_text(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        fail("cannot read " + path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> read_lines(const std::string& path)
{
    std::vector<std::string> lines;
    std::istringstream in(read_text(path));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

void make_dirs(const std::string& path)
{
    std::string part;
    for (size_t i = 0; i <= path.size(); i++) {
        if (i == path.size() || path[i] == '/') {
            if (!part.empty() && mkdir(part.c_str(), 0755) != 0 && errno != EEXIST)
                fail("cannot create folder " + part + ": " + strerror(errno));
        }
        if (i < path.size())
            part += path[i];
    }
}

void write_bytes(const std::string& path, const bytes& data)
{
    size_t slash = path.rfind('/');
    if (slash != std::string::npos)
        make_dirs(path.substr(0, slash));
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        fail("cannot write " + path + ": " + strerror(errno));
    bool ok = fwrite(data.data(), 1, data.size(), f) == data.size();
    ok = (fclose(f) == 0) && ok;
    if (!ok)
        fail("write failed: " + path);
}

void put_u8(bytes& b, unsigned v) { b.push_back(uint8_t(v)); }

void put_u16(bytes& b, unsigned v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

void put_u32(bytes& b, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        b.push_back(uint8_t(v >> (8 * i)));
}

void put_text(bytes& b, const std::string& s, size_t width)
{
    for (size_t i = 0; i < width; i++)
        b.push_back(i < s.size() ? uint8_t(s[i]) : 0);
}
