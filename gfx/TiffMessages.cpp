#include "gfx/TiffMessages.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {
int report(const TiffSpeaker* speaker, const char* what, const char* module, const char* fmt, va_list args)
{
    char text[512];
    std::vsnprintf(text, sizeof text, fmt, args);
    const bool showModule = module && std::strcmp(module, speaker->path) != 0;  // often the path itself
    std::fprintf(stderr, "%s: %s: libtiff %s: %s%s%s\n", speaker->program, speaker->path, what,
                 showModule ? module : "", showModule ? ": " : "", text);
    return 1;  // handled: libtiff's own handlers print nothing more
}
int reportError(TIFF*, void* speaker, const char* module, const char* fmt, va_list args)
{
    return report(static_cast<const TiffSpeaker*>(speaker), "error", module, fmt, args);
}
int reportWarning(TIFF*, void* speaker, const char* module, const char* fmt, va_list args)
{
    return report(static_cast<const TiffSpeaker*>(speaker), "warning", module, fmt, args);
}
}  // namespace

void speakForTiff(TIFFOpenOptions* options, const TiffSpeaker* speaker)
{
    void* data = const_cast<TiffSpeaker*>(speaker);
    TIFFOpenOptionsSetErrorHandlerExtR(options, reportError, data);
    TIFFOpenOptionsSetWarningHandlerExtR(options, reportWarning, data);
}
