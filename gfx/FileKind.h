#pragma once
#include <cstddef>

// What a file's first bytes say it is, for messages about a file that is not what it should be:
// "TIFF", "PNG", "JPEG", "GIF", "BMP", "WebP", "HEIF", "MP3", "WAV", ... Needs no library.

// The kind that the first `size` bytes of a file (`head`) announce, or null when they match none known here.
// kFileKindHead bytes are enough.
constexpr size_t kFileKindHead = 16;
const char* fileKind(const unsigned char* head, size_t size);
