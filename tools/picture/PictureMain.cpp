// kiv-picture IN OUT.tif [ASPECT]: prepares a PNG, JPEG or TIFF picture for the show. The picture is cropped
// about its centre to the screen's shape (ASPECT, 4:3 unless given, e.g. 16:9), scaled to a power-of-two
// square of at most 2048 pixels a side and written as an 8-bit RGBA TIFF, turned so that the show, which
// puts a picture's bottom row along the top of the window, shows it the right way up.
#include <cstdio>
#include <string>

#include "tools/picture/Fit.h"
#include "tools/picture/PhotoFile.h"

namespace {
constexpr double kShowAspect = 4.0 / 3.0;  // the show's own window is 1024 x 768

// "W:H" (or "W/H", or a plain number) as width / height; 0 when it is none of these.
double parseAspect(const std::string& text)
{
    double w = 0.0, h = 1.0;
    char sep = 0, extra = 0;
    const int n = std::sscanf(text.c_str(), "%lf%c%lf%c", &w, &sep, &h, &extra);
    if (n == 1 || (n == 3 && (sep == ':' || sep == '/'))) return w > 0.0 && h > 0.0 ? w / h : 0.0;
    return 0.0;
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: kiv-picture IN OUT.tif [ASPECT]\n"
                             "  IN: a PNG, JPEG or TIFF picture; OUT.tif: the picture for the show, e.g. img1.tif\n"
                             "  ASPECT: the screen's width:height, 4:3 unless given (e.g. 16:9)\n");
        return 2;
    }
    const std::string in = argv[1], out = argv[2];
    const double aspect = argc == 4 ? parseAspect(argv[3]) : kShowAspect;
    if (aspect <= 0.0) {
        std::fprintf(stderr, "kiv-picture: the aspect '%s' is not WIDTH:HEIGHT\n", argv[3]);
        return 2;
    }
    Photo photo;
    if (!readPhoto(in, photo)) return 1;
    const Fitting f = fitting(photo, aspect, kMaxPictureSide);
    if (!forShow(photo, aspect).writeTiff(out)) return 1;
    std::printf("kiv-picture: wrote %s: %d x %d, from the middle %.0f x %.0f of the %d x %d picture, "
                "turned for the show\n", out.c_str(), f.side, f.side, f.width, f.height, photo.width, photo.height);
    return 0;
}
