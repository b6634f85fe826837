#include "asset_io.h"

void make_sprites(const std::string&, const std::string&)
{
}
