#include "asset_io.h"

void make_songs(const std::string&, const std::string&)
{
}
