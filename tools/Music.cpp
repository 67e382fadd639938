#include "tools/Music.h"

#include <cstdio>

bool writeMusic(const std::string&)
{
    std::fprintf(stderr, "kiv-assets: music not generated yet\n");
    return false;
}
