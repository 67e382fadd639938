#pragma once
#include <tiffio.h>

// Who speaks about which file: libtiff's errors and warnings about it go to stderr as
// "program: path: libtiff error: ..." (or warning) instead of through libtiff's own handlers, which print
// many messages without the file's name. Must outlive the TIFF opened with the options it was given to.
struct TiffSpeaker {
    const char* program;
    const char* path;
};

// Gives `speaker` libtiff's messages about the file that `options` open.
void speakForTiff(TIFFOpenOptions* options, const TiffSpeaker* speaker);
