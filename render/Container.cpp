#include "render/Container.h"

#include <cctype>

namespace {
const Container kContainers[] = {
    {".mp4", "mp4", "libx264", "aac", 20, 51},
    {".mkv", "matroska", "libx264", "flac", 20, 51},  // lossless sound: Matroska cannot mark AAC's priming
    {".webm", "webm", "libvpx-vp9", "libopus", 32, 63},
};
}  // namespace

const Container* containerFor(const std::string& path)
{
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return nullptr;
    std::string extension = path.substr(dot);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const Container& c : kContainers)
        if (extension == c.extension) return &c;
    return nullptr;
}

const char* knownExtensions()
{
    return ".mp4 (H.264 + AAC), .mkv (H.264 + FLAC), .webm (VP9 + Opus)";
}
