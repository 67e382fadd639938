// Preloaded into kiv by kiv-startup: notes when each step of start-up begins or ends, by wrapping the library
// calls that mark it, and at the first buffer swap writes the times and the peak memory so far.
//   KIV_LAUNCH_NS        CLOCK_MONOTONIC nanoseconds when the launcher forked; times are counted from it
//                        (from this library's loading when unset)
//   KIV_FIRSTFRAME_OUT   file for the report, one "name milliseconds" line per mark (stderr when unset)
//   KIV_FIRSTFRAME_EXIT  "1": end the process right after the report
#include <GL/gl.h>
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

enum Mark {
    kLoaded,          // this library's constructor: the program and its libraries are mapped
    kSoundInit,       // first SDL_InitSubSystem call
    kDeviceOpened,    // Mix_OpenAudioDevice returned
    kMusicOpened,     // Mix_LoadMUS_RW returned
    kWindowInit,      // glutInit called
    kWindowCreated,   // glutCreateWindow returned
    kFirstPicture,    // first TIFFOpenExt call
    kLastTexture,     // last glTexImage2D returned so far
    kLoopEntered,     // glutMainLoop called: the show is built
    kFirstFrame,      // first glutSwapBuffers returned
    kMarks
};
const char* const kNames[kMarks] = {"loaded",       "sound_init", "device_opened", "music_opened",
                                    "window_init",  "window_created", "first_picture", "last_texture",
                                    "loop_entered", "first_frame"};

long long marks[kMarks];
bool seen[kMarks];

long long now()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

void markFirst(Mark m)
{
    if (seen[m]) return;
    seen[m] = true;
    marks[m] = now();
}

void markLatest(Mark m)
{
    seen[m] = true;
    marks[m] = now();
}

template <typename F>
F next(const char* name)
{
    void* f = dlsym(RTLD_NEXT, name);
    if (!f) {
        std::fprintf(stderr, "kiv-firstframe: no %s to wrap\n", name);
        _exit(127);
    }
    return reinterpret_cast<F>(f);
}

long peakRssKib()
{
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return -1;
    char line[256];
    long kib = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "VmHWM:", 6) == 0) kib = std::strtol(line + 6, nullptr, 10);
    std::fclose(f);
    return kib;
}

void report()
{
    const char* launch = std::getenv("KIV_LAUNCH_NS");
    const long long origin = launch ? std::strtoll(launch, nullptr, 10) : marks[kLoaded];
    const char* path = std::getenv("KIV_FIRSTFRAME_OUT");
    FILE* out = path ? std::fopen(path, "w") : stderr;
    if (!out) return;
    for (int m = 0; m < kMarks; ++m)
        if (seen[m]) std::fprintf(out, "%s %.3f\n", kNames[m], static_cast<double>(marks[m] - origin) * 1e-6);
    std::fprintf(out, "peak_rss_kib %ld\n", peakRssKib());
    if (out != stderr) std::fclose(out);
}

__attribute__((constructor)) void loaded()
{
    markFirst(kLoaded);
}

}  // namespace

extern "C" {

int SDL_InitSubSystem(unsigned flags)
{
    markFirst(kSoundInit);
    static auto real = next<int (*)(unsigned)>("SDL_InitSubSystem");
    return real(flags);
}

int Mix_OpenAudioDevice(int rate, unsigned short format, int channels, int chunk, const char* device, int changes)
{
    static auto real = next<int (*)(int, unsigned short, int, int, const char*, int)>("Mix_OpenAudioDevice");
    const int result = real(rate, format, channels, chunk, device, changes);
    markFirst(kDeviceOpened);
    return result;
}

void* Mix_LoadMUS_RW(void* source, int freeSource)
{
    static auto real = next<void* (*)(void*, int)>("Mix_LoadMUS_RW");
    void* music = real(source, freeSource);
    markFirst(kMusicOpened);
    return music;
}

void glutInit(int* argc, char** argv)
{
    markFirst(kWindowInit);
    static auto real = next<void (*)(int*, char**)>("glutInit");
    real(argc, argv);
}

int glutCreateWindow(const char* title)
{
    static auto real = next<int (*)(const char*)>("glutCreateWindow");
    const int window = real(title);
    markFirst(kWindowCreated);
    return window;
}

void* TIFFOpenExt(const char* name, const char* mode, void* options)
{
    markFirst(kFirstPicture);
    static auto real = next<void* (*)(const char*, const char*, void*)>("TIFFOpenExt");
    return real(name, mode, options);
}

void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                  GLenum format, GLenum type, const void* pixels)
{
    static auto real = next<void (*)(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void*)>(
        "glTexImage2D");
    real(target, level, internalFormat, width, height, border, format, type, pixels);
    markLatest(kLastTexture);
}

void glutMainLoop()
{
    markFirst(kLoopEntered);
    static auto real = next<void (*)()>("glutMainLoop");
    real();
}

void glutSwapBuffers()
{
    static auto real = next<void (*)()>("glutSwapBuffers");
    real();
    if (seen[kFirstFrame]) return;
    markFirst(kFirstFrame);
    report();
    const char* exitAfter = std::getenv("KIV_FIRSTFRAME_EXIT");
    if (exitAfter && std::strcmp(exitAfter, "1") == 0) _exit(0);
}

}  // extern "C"
