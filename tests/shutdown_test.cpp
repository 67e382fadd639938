// Ways the real kiv ends other than Escape and the show's end: a termination signal, the window closed by the
// user (WM_DELETE_WINDOW, as a window manager sends it), the X connection killed, and no sound device at all.
// None may hang or crash, whether the music plays or not.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>

#include "tests/support/ShowRun.h"

namespace {

constexpr double kEnds = 5.0;             // seconds any way out may take
constexpr double kPastMusicStart = 14.5;  // seconds after start-up, when the sound thread is busy with music

enum class Way { Terminate, Close, KillClient };

struct Case {
    Way way;
    bool musicPlaying;
    std::unique_ptr<ShowRun> run;
    std::string window;
};

const char* wayName(Way w)
{
    switch (w) {
    case Way::Terminate: return "SIGTERM";
    case Way::Close: return "WM_DELETE_WINDOW";
    case Way::KillClient: return "xkill";
    }
    return "";
}

void end(Case& c)
{
    switch (c.way) {
    case Way::Terminate: c.run->process().signal(SIGTERM); break;
    case Way::Close: EXPECT_TRUE(c.run->askToClose(c.window)); break;
    case Way::KillClient: c.run->x("xkill -id " + c.window + " >/dev/null 2>&1"); break;
    }
}

// What the process ended with: Process::wait's exit status, -2 for a signal.
int expectedStatus(Way w)
{
    switch (w) {
    case Way::Terminate: return -2;   // the default action: SDL's handlers are kept off
    case Way::Close: return 0;        // the toolkit's default for a closed window: exit(0)
    case Way::KillClient: return 1;   // Xlib's default for a lost connection: exit(1)
    }
    return 0;
}

TEST(Shutdown, SignalCloseAndLostDisplayEndPromptlyBeforeAndDuringMusic)
{
    std::vector<Case> cases;
    for (bool playing : {false, true})
        for (Way way : {Way::Terminate, Way::Close, Way::KillClient}) {
            cases.push_back(Case{way, playing, std::make_unique<ShowRun>(), ""});
            ASSERT_TRUE(cases.back().run->ok());
            cases.back().run->start();
        }
    const auto started = std::chrono::steady_clock::now();
    for (Case& c : cases) c.window = c.run->window();

    auto endWhere = [&](bool playing) {
        for (Case& c : cases) {
            if (c.musicPlaying != playing) continue;
            SCOPED_TRACE(std::string(wayName(c.way)) + (playing ? " with music" : " before music"));
            ASSERT_FALSE(c.window.empty()) << c.run->stderrText();
            ASSERT_TRUE(c.run->process().running());
            end(c);
        }
        for (Case& c : cases) {
            if (c.musicPlaying != playing) continue;
            SCOPED_TRACE(std::string(wayName(c.way)) + (playing ? " with music" : " before music"));
            EXPECT_EQ(c.run->process().wait(kEnds), expectedStatus(c.way)) << c.run->stderrText();
        }
    };
    std::this_thread::sleep_for(std::chrono::seconds(1));
    endWhere(false);
    std::this_thread::sleep_until(started + std::chrono::milliseconds(static_cast<int>(kPastMusicStart * 1000)));
    endWhere(true);
    for (Case& c : cases) {
        if (c.musicPlaying) {
            EXPECT_TRUE(c.run->soundWritten()) << wayName(c.way) << ": the music never played";
        }
    }
}

// No SDL_AUDIODRIVER on a machine without a sound card: SDL finds no device, and kiv's line is the only one.
TEST(Shutdown, NoSoundDeviceExitsOneWithTheReasonAndNoWindow)
{
    ShowRun run;
    ASSERT_TRUE(run.ok());
    run.start({"SDL_AUDIODRIVER=", "AUDIODEV=", "SDL_DISKAUDIOFILE="});
    const int status = run.process().wait(15);
    if (status != 1 && !run.window(0.1).empty()) {
        run.escape();
        GTEST_SKIP() << "a sound device opened here: " << run.stderrText();
    }
    EXPECT_EQ(status, 1);
    const std::string err = run.stderrText();
    EXPECT_NE(err.find("kiv: cannot open the sound device"), std::string::npos) << err;
    EXPECT_EQ(err.find("ALSA lib"), std::string::npos) << "ALSA's own lines come through: " << err;
    EXPECT_EQ(run.x("xdotool search --name '^kiv$' 2>/dev/null"), "");
}

}  // namespace
