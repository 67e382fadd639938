// kiv-assets DIR: writes the show's default pictures and music into DIR.
#include <cstdio>

#include "tools/Music.h"
#include "tools/Pictures.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: kiv-assets DIR\n");
        return 2;
    }
    bool ok = writePictures(argv[1]);
    ok = writeMusic(argv[1]) && ok;
    return ok ? 0 : 1;
}
