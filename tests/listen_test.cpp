// The real kiv in listening mode, capturing through SDL's disk driver (a file of tone bursts): the list of
// capture devices, a name that matches none, a show with no music at all, and the show starting over at its
// end, for ten passes, in the same window and the same memory. KIV_TEST_TIME_SCALE makes the passes short.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "tests/support/Bursts.h"
#include "tests/support/Process.h"
#include "tests/support/Screen.h"
#include "tests/support/ShowRun.h"
#include "tests/support/TempDir.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kTimeScale = 100;  // a 152 s pass in about 1.5 s
constexpr double kPassSeconds = 152.0 / kTimeScale;
constexpr double kExitLimit = 15.0;
// Resident memory may move with what Mesa keeps; a pass that kept its show would add several MB.
constexpr long kMemorySlackKib = 2048;

void pause(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

long residentKib(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

int lines(const std::string& text)
{
    int n = 0;
    for (char c : text) n += c == '\n';
    return n;
}

// The shell line that runs kiv in `dir` with KIV_LISTEN=`request` and no display, and prints its status last.
std::string listenCommand(const std::string& dir, const std::string& request)
{
    return "cd '" + dir + "' && env -u DISPLAY KIV_LISTEN='" + request +
           "' SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILEIN=/dev/null '" KIV_BINARY "' 2>/dev/null; echo status $?";
}

TEST(Listen, ListPrintsTheCaptureDevicesOneALineAndExitsZero)
{
    const std::string dir = makeTempDir();
    // No display: listing needs none, and a window would fail.
    EXPECT_EQ(shellOutput(listenCommand(dir, "list")), "System audio capture device\nstatus 0");
    std::system(("rm -rf '" + dir + "'").c_str());
}

TEST(Listen, ANameThatMatchesNoneSaysWhatWasAskedAndWhatExistsAndOpensNoWindow)
{
    ShowRun run;
    ASSERT_TRUE(run.ok());
    run.start({"KIV_LISTEN=Microphone of nothing"});
    EXPECT_EQ(run.process().wait(kExitLimit), 1);
    const std::string err = run.stderrText();
    EXPECT_EQ(lines(err), 1) << err;
    EXPECT_NE(err.find("'Microphone of nothing'"), std::string::npos) << err;
    EXPECT_NE(err.find("'System audio capture device'"), std::string::npos) << err;
    // Matched in any case, as part of the name: this one opens.
    ShowRun found;
    ASSERT_TRUE(found.ok());
    found.start({"KIV_LISTEN=audio CAPTURE", "SDL_DISKAUDIOFILEIN=/dev/zero"});
    EXPECT_FALSE(found.window(60).empty()) << found.stderrText();
    EXPECT_EQ(found.escape(), 0) << found.stderrText();
}

TEST(Listen, NoMusicIsOpenedAndTheShowStartsOverInTheSameWindowAndMemory)
{
    Bursts bursts;
    for (double at = 0.5; at < 40; at += 0.75) bursts.starts.push_back(at);
    bursts.total = 40;
    ShowRun run;
    ASSERT_TRUE(run.ok());
    ASSERT_TRUE(bursts.writeRaw(run.path("in.raw")));
    std::remove(run.path("music.mp3").c_str());
    run.start({"KIV_LISTEN=1", "SDL_DISKAUDIOFILEIN=" + run.path("in.raw"),
               "KIV_TEST_TIME_SCALE=" + std::to_string(kTimeScale)});
    const std::string window = run.window(60);
    ASSERT_FALSE(window.empty()) << run.stderrText();
    const auto shown = Clock::now();
    auto passes = [&] { return std::chrono::duration<double>(Clock::now() - shown).count() / kPassSeconds; };

    while (passes() < 1.5 && run.process().running()) pause(0.05);
    const long afterOne = residentKib(run.process().pid());
    while (passes() < 10.5 && run.process().running()) pause(0.05);
    ASSERT_TRUE(run.process().running()) << "the show ended instead of starting over: " << run.stderrText();
    const long afterTen = residentKib(run.process().pid());
    EXPECT_EQ(run.window(1), window) << "the window was made again";
    // Still drawing: two screenshots a little apart differ.
    setenv("DISPLAY", run.x("sh -c 'echo $DISPLAY'").c_str(), 1);
    const Screen a = Screen::grab();
    pause(0.3);
    const Screen b = Screen::grab();
    ASSERT_GT(a.width, 0);
    EXPECT_GT(b.meanDifference(a), 0.0);

    EXPECT_EQ(run.escape(), 0) << run.stderrText();
    EXPECT_GT(afterOne, 0);
#if defined(__SANITIZE_ADDRESS__)
    EXPECT_GT(afterTen, 0);  // the sanitizer's quarantine keeps freed memory resident on purpose: no bound holds
#else
    EXPECT_LE(afterTen, afterOne + kMemorySlackKib) << "resident KiB after one pass " << afterOne << ", after ten "
                                                     << afterTen;
#endif
    const std::string err = run.stderrText();
    EXPECT_EQ(err.find("music"), std::string::npos) << "a missing music.mp3 is no error when listening: " << err;
    EXPECT_LT(run.soundBytes(), 0) << "an output device was opened";
}

}  // namespace
