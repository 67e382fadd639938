#include "audio/AlsaQuiet.h"

#include <alsa/asoundlib.h>

namespace {
void ignore(const char*, int, const char*, int, const char*, ...) {}
}

AlsaQuiet::AlsaQuiet()
{
    snd_lib_error_set_handler(ignore);
}

AlsaQuiet::~AlsaQuiet()
{
    snd_lib_error_set_handler(nullptr);
}
