// A few seconds of the real show under Valgrind's memcheck, pointer moving, ended by Escape: no invalid memory
// access and no leak that our code owns. Ownership: an error or a definitely lost block belongs to the first
// frame below the allocator and the C library's string and memory functions; it is ours when that frame is in
// one of the show's own sources. Mesa, X, SDL, D-Bus and ALSA keep or lose memory of their own; those blocks
// are theirs and are not counted (nor are their own reads, such as the dynamic loader's known word-wise
// string compares).
#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <dirent.h>
#include <fstream>
#include <set>
#include <thread>

#include "tests/support/ShowRun.h"
#include "tests/support/TempDir.h"

namespace {

constexpr double kStartUp = 120.0;  // seconds: everything runs some ten times slower under memcheck
constexpr int kShowSeconds = 4;

std::set<std::string> ourSources()
{
    std::set<std::string> names;
    for (const char* folder : {"app", "fx", "gfx", "audio"}) {
        const std::string path = std::string(KIV_SOURCE_DIR) + "/" + folder;
        if (DIR* dir = opendir(path.c_str())) {
            while (dirent* entry = readdir(dir)) names.insert(entry->d_name);
            closedir(dir);
        }
    }
    return names;
}

struct Finding {
    std::string header;  // Valgrind's first line of the error or leak record
    std::string owner;   // the deciding frame
    bool ours = false;
};

// Valgrind's own lines: "==PID== " and the body. False for the program's output mixed into the log.
bool valgrindLine(const std::string& text, std::string& body)
{
    if (text.rfind("==", 0) != 0) return false;
    std::size_t i = 2;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
    if (i == 2 || text.compare(i, 3, "== ") != 0) return false;
    body = text.substr(i + 3);
    return true;
}

// A stack frame, "   at 0x4023C74: strncmp (strcmp-sse2.S:162)": its text after the address.
bool stackFrame(const std::string& body, std::string& where)
{
    std::size_t i = 0;
    while (i < body.size() && std::isspace(static_cast<unsigned char>(body[i]))) ++i;
    if (i == 0 || (body.compare(i, 5, "at 0x") != 0 && body.compare(i, 5, "by 0x") != 0)) return false;
    std::size_t j = i + 5;
    while (j < body.size() && std::isxdigit(static_cast<unsigned char>(body[j]))) ++j;
    if (j == i + 5 || body.compare(j, 2, ": ") != 0) return false;
    where = body.substr(j + 2);
    return true;
}

// The source file a frame names, "(Window.cpp:32)" at its end; empty when it names a library instead.
std::string sourceFile(const std::string& where)
{
    if (where.empty() || where.back() != ')') return "";
    const std::size_t colon = where.rfind(':');
    const std::size_t open = where.rfind('(');
    if (colon == std::string::npos || open == std::string::npos || open > colon || colon + 2 >= where.size())
        return "";
    for (std::size_t i = colon + 1; i + 1 < where.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(where[i]))) return "";
    const std::string name = where.substr(open + 1, colon - open - 1);
    return name.find_first_of("():") == std::string::npos ? name : "";
}

// The allocator and the C library's string and memory functions: never the owner.
bool runtimeFrame(const std::string& where)
{
    for (const char* prefix : {"malloc", "calloc", "realloc", "memalign", "posix_memalign", "aligned_alloc",
                               "operator new", "str", "mem", "__mem", "__str", "wcs"})
        if (where.rfind(prefix, 0) == 0) return true;
    return false;
}

bool recordHeader(const std::string& body)
{
    for (const char* kind : {"Invalid read", "Invalid write", "Invalid free", "Mismatched free", "uninitialised",
                             "overlap", "definitely lost in loss record"})
        if (body.find(kind) != std::string::npos) return true;
    return false;
}

// The records of a memcheck log that are errors or definite leaks, each with the frame that owns it.
std::vector<Finding> findings(const std::string& log, const std::set<std::string>& ours)
{
    std::vector<Finding> found;
    std::ifstream in(log);
    std::string text;
    Finding* open = nullptr;
    bool decided = false;
    while (std::getline(in, text)) {
        std::string body;
        if (!valgrindLine(text, body)) continue;
        std::string where;
        if (stackFrame(body, where)) {
            if (!open || decided) continue;
            if (where.find("vgpreload") != std::string::npos || runtimeFrame(where)) continue;
            decided = true;
            open->owner = where;
            open->ours = ours.count(sourceFile(where)) > 0;
        } else if (recordHeader(body)) {
            found.push_back({body, "", false});
            open = &found.back();
            decided = false;
        } else if (body.empty() || body.rfind(" ", 0) != 0) {
            if (body.find("Address 0x") == std::string::npos && body.find("Uninitialised value") == std::string::npos)
                open = nullptr;
        }
    }
    return found;
}

TEST(Memcheck, OwnershipGoesToTheFirstFrameBelowTheAllocator)
{
    const std::string log = makeTempDir() + "/sample.log";
    std::ofstream(log) << "==7== Invalid read of size 8\n"
                          "==7==    at 0x4023C74: strncmp (strcmp-sse2.S:162)\n"
                          "==7==    by 0x4004BEE: is_dst (dl-load.c:216)\n"
                          "==7==    by 0x10B7A1: main (main.cpp:33)\n"
                          "==7==  Address 0x5 is 0 bytes inside a block of size 3 alloc'd\n"
                          "==7== \n"
                          "==7== 16 bytes in 1 blocks are definitely lost in loss record 2 of 9\n"
                          "==7==    at 0x48417B4: operator new(unsigned long) (in /usr/libexec/valgrind/vgpreload.so)\n"
                          "==7==    by 0x10C888: buildShow(Demo*) (Show.cpp:40)\n"
                          "==7== \n"
                          "==7== 56 bytes in 1 blocks are definitely lost in loss record 3 of 9\n"
                          "==7==    at 0x48417B4: malloc (in /usr/libexec/valgrind/vgpreload.so)\n"
                          "==7==    by 0x80B78BC: ???\n"
                          "==7==    by 0x10C888: initWindow(Demo*, int*, char**) (Window.cpp:32)\n";
    const std::vector<Finding> f = findings(log, ourSources());
    std::system(("rm -rf \"$(dirname '" + log + "')\"").c_str());
    ASSERT_EQ(f.size(), 3u);
    EXPECT_FALSE(f[0].ours) << f[0].owner;
    EXPECT_TRUE(f[1].ours) << f[1].owner;
    EXPECT_FALSE(f[2].ours) << f[2].owner;
}

TEST(Memcheck, ShowUnderValgrindHasNoInvalidAccessAndLeaksNothingOfOurs)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizers check this build themselves; memcheck cannot run beside them";
#endif
    const std::string valgrind = shellOutput("command -v valgrind");
    if (valgrind.empty()) GTEST_SKIP() << "valgrind is not installed";
    ShowRun run;
    ASSERT_TRUE(run.ok());
    const std::string log = run.path("memcheck.log");
    run.start({"SDL_AUDIODRIVER=dummy", "LP_NUM_THREADS=0"}, {},
              {valgrind, "--leak-check=full", "--show-leak-kinds=definite", "--errors-for-leak-kinds=definite",
               "--num-callers=40", "--log-file=" + log});
    const std::string id = run.window(kStartUp);
    ASSERT_FALSE(id.empty()) << run.stderrText();
    for (int s = 0; s < kShowSeconds; ++s) {
        run.x("xdotool mousemove " + std::to_string(40 + 60 * s) + " 120 click 1");
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    ASSERT_EQ(run.escape(kStartUp), 0) << run.stderrText();

    const std::vector<Finding> all = findings(log, ourSources());
    int theirs = 0;
    for (const Finding& f : all) {
        if (f.ours)
            ADD_FAILURE() << f.header << "\n  owned by " << f.owner << "\n  (full log: " << log << ")";
        else {
            ++theirs;
            std::printf("  theirs: %s\n    owned by %s\n", f.header.c_str(), f.owner.c_str());
        }
    }
    std::printf("memcheck: %zu records, %d of them in third-party code\n", all.size(), theirs);
    if (HasFailure()) {
        std::ifstream in(log);
        std::cerr << in.rdbuf();
    }
}

}  // namespace
