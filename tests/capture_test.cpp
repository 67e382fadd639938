// The sound layer's recording against SDL's `disk` driver, whose capture device reads a raw file: the exact
// path from captured samples to the show's loudness, placed by the recording's own position in frames, so
// a loaded machine that reads the spectrum late changes nothing that is checked.
#include "audio/fsound.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "audio/Analyser.h"
#include "audio/ScopedEnv.h"
#include "fx/Fx.h"
#include "tests/support/Bursts.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"
#include "tests/support/ToneFile.h"

namespace {

namespace fs = std::filesystem;

constexpr int kRate = 44100;
constexpr float kRisen = 0.2f;      // a level the show visibly answers (the grids' first colour step)
constexpr float kFallen = 0.05f;
constexpr float kSilent = 1e-6f;
// From a burst's first frame to the level that answers it: the analyser's window must take in enough of it.
constexpr long kAnswerFrames = Analyser::kFrames + 1024;
constexpr auto kHardLimit = std::chrono::seconds(30);  // a recording of a few seconds that never ends

// SDL names its capture threads "SDLAudioC<n>"; a new thread names itself soon after it starts.
int captureThreads(int expected)
{
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    int count = 0;
    do {
        count = 0;
        for (const auto& task : fs::directory_iterator("/proc/self/task")) {
            std::ifstream comm(task.path() / "comm");
            std::string name;
            if (std::getline(comm, name) && name.rfind("SDLAudioC", 0) == 0) ++count;
        }
    } while (count != expected && std::chrono::steady_clock::now() < limit);
    return count;
}

Bursts twoBursts()
{
    Bursts b;
    b.starts = {0.5, 1.6};
    b.total = 2.4;
    return b;
}

class Capture : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = makeTempDir();
        ASSERT_FALSE(dir_.empty());
        driver_.emplace("SDL_AUDIODRIVER", "disk");
        input_.emplace("SDL_DISKAUDIOFILEIN", path("in.raw"));
        output_.emplace("SDL_DISKAUDIOFILE", path("out.raw"));
    }
    void TearDown() override
    {
        FSOUND_Close();
        FSOUND_SetOutput(FSOUND_OUTPUT_SDL);
        input_.reset();
        output_.reset();
        driver_.reset();
        fs::remove_all(dir_);
    }
    std::string path(const std::string& name) const { return dir_ + "/" + name; }

    void startRecording()
    {
        ASSERT_TRUE(FSOUND_SetOutput(FSOUND_OUTPUT_NOSOUND));
        ASSERT_TRUE(FSOUND_Init(kRate, 32, 0));
        ASSERT_TRUE(FSOUND_DSP_SetActive(FSOUND_DSP_GetFFTUnit(), true));
        ASSERT_EQ(FSOUND_Record_GetNumDrivers(), 1);
        ASSERT_TRUE(FSOUND_Record_SetDriver(FSOUND_RECORD_DEFAULT));
        ASSERT_TRUE(FSOUND_Record_Start());
    }

    // The show's loudness at each recording position the spectrum was taken at, until `frames` are recorded.
    std::map<long, float> levels(long frames)
    {
        std::map<long, float> heard;
        const auto limit = std::chrono::steady_clock::now() + kHardLimit;
        while (std::chrono::steady_clock::now() < limit) {
            const float level = loudness(FSOUND_DSP_GetSpectrum());
            const long at = FSOUND_Record_GetPosition();
            if (at >= 0) heard.emplace(at, level);
            if (at >= frames) break;
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        return heard;
    }

    std::string dir_;
    std::optional<ScopedEnv> driver_, input_, output_;
};

// The first position at or after `from` whose level passes `level`, or -1.
long firstAbove(const std::map<long, float>& heard, long from, float level)
{
    for (auto it = heard.lower_bound(from); it != heard.end(); ++it)
        if (it->second > level) return it->first;
    return -1;
}

TEST_F(Capture, BurstsRaiseTheLevelWhenTheyComeAndSilenceReadsZero)
{
    const Bursts bursts = twoBursts();
    ASSERT_TRUE(bursts.writeRaw(path("in.raw")));
    startRecording();
    const std::map<long, float> heard = levels(bursts.frameOf(bursts.total + 2.5));  // the last fall has ended
    ASSERT_GT(heard.size(), 100u) << "too few readings to place the bursts";

    for (const auto& [at, level] : heard) {
        if (at < bursts.frameOf(bursts.starts[0])) {
            EXPECT_LT(level, kSilent) << "at frame " << at;
        }
    }
    long from = 0;  // each burst's rise is looked for once the one before has died down
    for (double start : bursts.starts) {
        SCOPED_TRACE("burst at " + std::to_string(start) + " s");
        const long first = bursts.frameOf(start);
        const long rise = firstAbove(heard, from, kRisen);
        EXPECT_GE(rise, first) << "the level rose before the burst";
        // Judged at the first reading from the answer's deadline on, not by the first reading above: a poll
        // starved on a loaded machine can miss the chunks where the level first rose.
        const auto answered = heard.lower_bound(first + kAnswerFrames);
        ASSERT_NE(answered, heard.end());
        ASSERT_LT(answered->first, bursts.frameOf(start + bursts.length)) << "no reading during the burst";
        EXPECT_GT(answered->second, kRisen) << "at frame " << answered->first;
        const auto quiet = heard.lower_bound(bursts.frameOf(start + bursts.length + 0.5));
        ASSERT_NE(quiet, heard.end());
        EXPECT_LT(quiet->second, kFallen) << "at frame " << quiet->first;
        from = quiet->first;
    }
    // The file has ended: the driver records silence, which reads 0 once the fall is over.
    EXPECT_LT(heard.rbegin()->second, kSilent);
}

TEST_F(Capture, TheSameRecordingGivesTheSameLevelsAtTheSamePositions)
{
    const Bursts bursts = twoBursts();
    ASSERT_TRUE(bursts.writeRaw(path("in.raw")));
    std::map<long, float> runs[2];
    for (auto& run : runs) {
        startRecording();
        run = levels(bursts.frameOf(bursts.total));
        FSOUND_Close();
    }
    int compared = 0, loud = 0;
    for (const auto& [at, level] : runs[0]) {
        const auto other = runs[1].find(at);
        if (other == runs[1].end()) continue;
        ++compared;
        loud += level > kRisen;
        EXPECT_EQ(level, other->second) << "at frame " << at;
    }
    EXPECT_GT(compared, 50);
    EXPECT_GT(loud, 5) << "the comparison must take in the bursts";
}

TEST_F(Capture, RecordingStopsWithItsThreadAndThePlayerHasNoOutput)
{
    const Bursts bursts = twoBursts();
    ASSERT_TRUE(bursts.writeRaw(path("in.raw")));
    EXPECT_FALSE(FSOUND_Record_Start()) << "recording before sound starts";
    startRecording();
    EXPECT_EQ(captureThreads(1), 1);
    EXPECT_FALSE(FSOUND_Record_Start()) << "a second recording at once";
    EXPECT_FALSE(FSOUND_Record_SetDriver(0)) << "a new choice while recording";
    EXPECT_EQ(FSOUND_Stream_Open(path("in.raw").c_str(), 0, 0, 0), nullptr) << "music with no output";
    EXPECT_FALSE(FSOUND_SetOutput(FSOUND_OUTPUT_SDL)) << "output chosen while initialised";
    EXPECT_FALSE(fs::exists(path("out.raw"))) << "no output device was opened";

    EXPECT_TRUE(FSOUND_Record_Stop());
    EXPECT_EQ(captureThreads(0), 0);
    EXPECT_FALSE(FSOUND_Record_Stop());
    EXPECT_EQ(FSOUND_Record_GetDriverName(1), nullptr);
    EXPECT_FALSE(FSOUND_Record_SetDriver(1));
    ASSERT_TRUE(FSOUND_Record_SetDriver(0));  // by its place in the list, as a name picks it
    ASSERT_TRUE(FSOUND_Record_Start());
    EXPECT_EQ(captureThreads(1), 1);
    FSOUND_Close();  // closes the recording first
    EXPECT_EQ(captureThreads(0), 0);
    EXPECT_EQ(FSOUND_Record_GetNumDrivers(), 0);
}

// With music playing too, the analyser hears the recording alone: here silence under a full-scale tone.
TEST_F(Capture, TheAnalyserHearsTheRecordingInPlaceOfTheOutput)
{
    Bursts silence;
    silence.total = 3.0;
    ASSERT_TRUE(silence.writeRaw(path("in.raw")));
    ASSERT_TRUE(writeWavTone(path("tone.wav"), 20 * 44100.0 / 1024, 3.0, 1.0));
    ASSERT_TRUE(FSOUND_Init(kRate, 32, 0));
    FSOUND_STREAM* music = FSOUND_Stream_Open(path("tone.wav").c_str(), 0, 0, 0);
    ASSERT_NE(music, nullptr);
    ASSERT_TRUE(FSOUND_DSP_SetActive(FSOUND_DSP_GetFFTUnit(), true));
    ASSERT_EQ(FSOUND_Stream_Play(-1, music), 0);
    FSOUND_Record_GetNumDrivers();
    ASSERT_TRUE(FSOUND_Record_Start());
    for (const auto& [at, level] : levels(kRate)) EXPECT_LT(level, kSilent) << "at frame " << at;

    ASSERT_TRUE(FSOUND_Record_Stop());  // the output is heard again
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    float level = 0.0f;
    while (level < kRisen && std::chrono::steady_clock::now() < limit) {
        level = loudness(FSOUND_DSP_GetSpectrum());
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_GT(level, kRisen);
    FSOUND_Stream_Close(music);
}

}  // namespace
