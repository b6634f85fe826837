#include "asset_io.h"

void make_fonts(const std::string&, const std::string&)
{
}
