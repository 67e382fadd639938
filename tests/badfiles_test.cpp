// The real kiv fed missing and damaged files, and music in other formats under the name music.mp3: the show
// runs until Escape, and the layer that met a bad file names it on stderr. Every case runs at once, each on
// its own X server, so the set takes about as long as its longest case.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <random>
#include <thread>

#include "tests/support/ShowRun.h"

namespace {

constexpr double kPicturesSeen = 1.5;  // the pictures are read before the window shows; let it draw a while
// Hard limits that catch a hang, not waits: sixteen shows starting at once beside other tests can take many
// seconds to show a window, and the music starts at 12 s of show time whatever the load.
constexpr double kWindowLimit = 60;
constexpr double kMusicLimit = 90;
constexpr double kEscapeLimit = 30;

enum class Fault { Missing, Empty, RandomBytes, Truncated };
const Fault kFaults[] = {Fault::Missing, Fault::Empty, Fault::RandomBytes, Fault::Truncated};
const char* const kPictures[] = {"img1.tif", "img2.tif", "img4.tif", "img5.tif"};

const char* faultName(Fault f)
{
    switch (f) {
    case Fault::Missing: return "missing";
    case Fault::Empty: return "empty";
    case Fault::RandomBytes: return "random bytes";
    case Fault::Truncated: return "truncated";
    }
    return "";
}

size_t fileSize(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    return in ? static_cast<size_t>(in.tellg()) : 0;
}

void damage(const std::string& path, Fault fault)
{
    const size_t size = fileSize(path);
    switch (fault) {
    case Fault::Missing:
        std::remove(path.c_str());
        break;
    case Fault::Empty:
        std::ofstream(path, std::ios::binary | std::ios::trunc);
        break;
    case Fault::RandomBytes: {
        std::mt19937 random(static_cast<unsigned>(size));
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        for (size_t i = 0; i < size; ++i) out.put(static_cast<char>(random() & 0xff));
        break;
    }
    case Fault::Truncated:
        std::system(("truncate -s " + std::to_string(size / 2) + " '" + path + "'").c_str());
        break;
    }
}

struct Case {
    std::string file;
    std::string label;
    std::unique_ptr<ShowRun> run;
    std::string window;
};

// Every case had its window and Escape ends it with status 0.
void endAll(std::vector<Case>& cases)
{
    for (Case& c : cases) {
        SCOPED_TRACE(c.label);
        ASSERT_FALSE(c.window.empty()) << c.run->stderrText();
        EXPECT_EQ(c.run->escape(kEscapeLimit), 0) << c.run->stderrText();
    }
}

TEST(BadFiles, PictureMissingEmptyRandomOrTruncatedIsNamedAndTheShowRuns)
{
    std::vector<Case> cases;
    for (const char* picture : kPictures)
        for (Fault fault : kFaults) {
            Case c{picture, std::string(picture) + " " + faultName(fault), std::make_unique<ShowRun>(), ""};
            ASSERT_TRUE(c.run->ok());
            damage(c.run->path(picture), fault);
            c.run->start();
            cases.push_back(std::move(c));
        }
    for (Case& c : cases) c.window = c.run->window(kWindowLimit);
    std::this_thread::sleep_for(std::chrono::duration<double>(kPicturesSeen));
    for (Case& c : cases) EXPECT_TRUE(c.run->process().running()) << c.label << "\n" << c.run->stderrText();
    endAll(cases);
    for (Case& c : cases) {
        const std::string err = c.run->stderrText();
        EXPECT_NE(err.find(c.file), std::string::npos) << c.label << ": " << err;
        for (const char* other : kPictures) {
            if (c.file != other) {
                EXPECT_EQ(err.find(other), std::string::npos) << c.label << ": " << err;
            }
        }
    }
}

// Sound reaches the device only after 12 s of show time, so these cases run until it has.
TEST(BadFiles, MusicMissingEmptyRandomOrTruncatedAndOtherFormats)
{
    constexpr size_t kRefused = 3;  // the first three faults
    std::vector<Case> cases;
    for (Fault fault : kFaults) {
        Case c{"music.mp3", std::string("music.mp3 ") + faultName(fault), std::make_unique<ShowRun>(), ""};
        ASSERT_TRUE(c.run->ok());
        damage(c.run->path("music.mp3"), fault);
        c.run->start();
        cases.push_back(std::move(c));
    }
    const bool haveSox = std::system("command -v sox >/dev/null 2>&1") == 0;
    if (haveSox)
        for (const char* type : {"ogg", "wav", "flac"}) {
            Case c{"music.mp3", std::string(type) + " named music.mp3", std::make_unique<ShowRun>(), ""};
            ASSERT_TRUE(c.run->ok());
            const std::string encoded = c.run->path(std::string("music.") + type);
            ASSERT_EQ(std::system(("sox '" + c.run->path("music.mp3") + "' '" + encoded + "' trim 0 3 && mv '" +
                                   encoded + "' '" + c.run->path("music.mp3") + "'")
                                      .c_str()),
                      0);
            c.run->start();
            cases.push_back(std::move(c));
        }
    for (Case& c : cases) c.window = c.run->window(kWindowLimit);
    // The cases that play are heard first; the refused ones, started alongside, are then past their music's
    // start too, so silence from them means they never played.
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(kMusicLimit);
    for (size_t i = kRefused; i < cases.size(); ++i)
        while (!cases[i].run->musicHeard() && cases[i].run->process().running() &&
               std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    endAll(cases);

    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.label);
        const std::string err = c.run->stderrText();
        if (i < kRefused) {  // missing, empty, random bytes: refused at start-up, named, never played
            EXPECT_NE(err.find("kiv: cannot"), std::string::npos) << err;
            EXPECT_NE(err.find("'music.mp3'"), std::string::npos) << err;
            EXPECT_FALSE(c.run->soundWritten());
        } else {      // the first half of the music, or the music in another format: it plays
            EXPECT_EQ(err.find("kiv: cannot"), std::string::npos) << err;
            EXPECT_TRUE(c.run->soundWritten()) << err;
        }
    }
    if (!haveSox) GTEST_SKIP() << "sox is not installed: OGG, WAV and FLAC not tried";
}

}  // namespace
