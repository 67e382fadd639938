// The real kiv under what a user can do to its window: shrink it to nothing, grow it past the pictures and the
// screen, drag the pointer far outside it, and flood it with pointer motion. The cases run at once, each on
// its own X server; each must keep running and still end at once on Escape.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/support/ShowRun.h"

namespace {

constexpr int kScreenW = 320;
constexpr int kScreenH = 240;
constexpr int kFloodEvents = 30000;
constexpr double kEscapeAfterFlood = 3.0;  // seconds: every queued motion is handled before the key
constexpr double kDrawn = 5.0;             // seconds for the lit grid to reach the screen
constexpr double kFullScreen = 20.0;       // seconds for a loaded toolkit to make its window full screen

void settle()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
}

double secondsSince(std::chrono::steady_clock::time_point t)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

// Resizes the window and returns its geometry once it has that size. A loaded toolkit may still be making the
// window full screen, which undoes a resize: ask again until the size holds, or the time is up.
std::string resize(ShowRun& run, const std::string& id, int w, int h)
{
    const std::string wanted = "Geometry: " + std::to_string(w) + "x" + std::to_string(h);
    const auto asked = std::chrono::steady_clock::now();
    std::string geometry;
    while (geometry != wanted && secondsSince(asked) < kFullScreen) {
        run.x("xdotool windowsize " + id + " " + std::to_string(w) + " " + std::to_string(h));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        geometry = run.x("xdotool getwindowgeometry " + id + " | grep -o 'Geometry: .*'");
    }
    return geometry;
}

// Moves and sizes the window, and waits until X has it there: a loaded toolkit's late full-screen request can
// undo the first ask. The pointer then goes where the window is.
void place(ShowRun& run, const std::string& id, int x, int y, int w, int h)
{
    const std::string wanted = "Position: " + std::to_string(x) + "," + std::to_string(y) + " (screen: 0) Geometry: " +
                               std::to_string(w) + "x" + std::to_string(h);
    const std::string ask = "xdotool windowsize " + id + " " + std::to_string(w) + " " + std::to_string(h) +
                            " windowmove " + id + " " + std::to_string(x) + " " + std::to_string(y);
    const auto asked = std::chrono::steady_clock::now();
    std::string geometry;
    while (geometry != wanted && secondsSince(asked) < kFullScreen) {
        run.x(ask);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        geometry = run.x("xdotool getwindowgeometry " + id +
                         " | grep -o 'Position: .*\\|Geometry: .*' | paste -sd ' '");
    }
    EXPECT_EQ(geometry, wanted);
}

TEST(WindowEvents, ShrinkGrowDragOutsideAndFloodLeaveTheShowRunning)
{
    ShowRun sizes(kScreenW, kScreenH), outside(kScreenW, kScreenH), flood(kScreenW, kScreenH);
    for (ShowRun* run : {&sizes, &outside, &flood}) {
        ASSERT_TRUE(run->ok());
        run->start();
    }
    const std::string sizesId = sizes.window(), outsideId = outside.window(), floodId = flood.window();
    ASSERT_FALSE(sizesId.empty()) << sizes.stderrText();
    ASSERT_FALSE(outsideId.empty()) << outside.stderrText();
    ASSERT_FALSE(floodId.empty()) << flood.stderrText();
    // The toolkit makes the window full screen only after it first shows; a resize before that is undone.
    const std::string fullScreen = "Geometry: " + std::to_string(kScreenW) + "x" + std::to_string(kScreenH);
    for (auto [run, id] : {std::pair{&sizes, sizesId}, {&outside, outsideId}, {&flood, floodId}}) {
        const auto asked = std::chrono::steady_clock::now();
        std::string geometry;
        while (geometry != fullScreen && secondsSince(asked) < kFullScreen) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            geometry = run->x("xdotool getwindowgeometry " + id + " | grep -o 'Geometry: .*'");
        }
        ASSERT_EQ(geometry, fullScreen) << run->stderrText();
    }

    // 1 x 1 is the smallest window X allows; it refuses 0 x 0 itself, so the show never sees it (the
    // zero size reaches the show's reshape path in the pointer and reshape drawing tests instead).
    EXPECT_EQ(resize(sizes, sizesId, 1, 1), "Geometry: 1x1");
    settle();
    EXPECT_TRUE(sizes.process().running()) << sizes.stderrText();
    sizes.x("xdotool windowsize " + sizesId + " 0 0 2>/dev/null");
    settle();
    EXPECT_TRUE(sizes.process().running()) << sizes.stderrText();
    // 1 x 1 still, or full screen again where a late full-screen request of the toolkit came in between.
    EXPECT_NE(sizes.x("xdotool getwindowgeometry " + sizesId + " | grep -o 'Geometry: .*'"), "Geometry: 0x0");
    // Larger than the 1024 x 1024 pictures and than the screen.
    EXPECT_EQ(resize(sizes, sizesId, 3000, 2500), "Geometry: 3000x2500");
    settle();
    EXPECT_TRUE(sizes.process().running()) << sizes.stderrText();

    // A pressed button keeps the pointer reported to the window wherever it goes: a small window in the
    // bottom right sees the screen's far corner at large negative positions, and a huge window moved mostly
    // off-screen sees positions beyond its own far edge.
    place(outside, outsideId, 300, 220, 20, 20);
    outside.x("xdotool mousemove 305 225 mousedown 1");
    outside.warpPointer({{0, 0}, {kScreenW - 1, 0}, {0, kScreenH - 1}, {305, 225}});
    outside.x("xdotool mouseup 1");
    place(outside, outsideId, -2800, -2400, 3000, 2500);
    outside.x("xdotool mousemove 10 10 mousedown 3");
    outside.warpPointer({{kScreenW - 1, kScreenH - 1}, {0, 0}, {kScreenW - 1, 0}});
    outside.x("xdotool mouseup 3 mousemove 10 10");  // back over the window, where Escape goes
    settle();
    EXPECT_TRUE(outside.process().running()) << outside.stderrText();

    // Tens of thousands of motions as fast as the server takes them, zigzagging over the whole window.
    std::vector<std::pair<int, int>> zigzag;
    for (int i = 0; i < kFloodEvents; ++i)
        zigzag.push_back({(i * 7) % kScreenW, (i % 2) ? kScreenH - 1 - (i * 3) % kScreenH : (i * 3) % kScreenH});
    // The grid is dark until the pointer lights it.
    const std::string mean = "xwd -root -silent | convert xwd:- -format '%[fx:mean]' info:";
    const double darkBefore = std::stod(flood.x(mean));
    const double sent = flood.warpPointer(zigzag);
    // The show handles the queued motions and draws them on its own time.
    double litAfter = 0.0;
    for (const auto sentAt = std::chrono::steady_clock::now(); secondsSince(sentAt) < kDrawn;) {
        litAfter = std::stod(flood.x(mean));
        if (litAfter > darkBefore + 0.1) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_GT(litAfter, darkBefore + 0.1) << "the motions never reached the grid";
    ASSERT_GE(sent, 0.0);
    RecordProperty("flood_seconds", std::to_string(sent));
    std::printf("flood: %d motion events in %.3f s\n", kFloodEvents, sent);
    EXPECT_TRUE(flood.process().running()) << flood.stderrText();

    const auto pressed = std::chrono::steady_clock::now();
    EXPECT_EQ(flood.escape(kEscapeAfterFlood), 0) << flood.stderrText();
    std::printf("flood: Escape answered in %.3f s\n", secondsSince(pressed));
    EXPECT_EQ(outside.escape(), 0) << outside.stderrText();
    EXPECT_EQ(sizes.escape(), 0) << sizes.stderrText();
}

}  // namespace
