#pragma once
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/DefaultAssets.h"
#include "tests/support/Process.h"
#include "tests/support/Xvfb.h"

// One run of the real kiv on an X server of its own (so keys reach it whatever else runs), in a fresh folder
// holding a copy of the default assets. Sound goes to the disk driver, into out.raw in that folder.
// Several runs may be alive at once, made and driven from different threads; each passes its own DISPLAY to
// what it starts and leaves the test's environment alone.
class ShowRun {
public:
    explicit ShowRun(int screenW = 320, int screenH = 240);
    ~ShowRun();
    ShowRun(const ShowRun&) = delete;
    ShowRun& operator=(const ShowRun&) = delete;

    bool ok() const { return server_->ok() && !dir_.empty(); }
    const std::string& dir() const { return dir_; }
    std::string path(const std::string& name) const { return dir_ + "/" + name; }

    // Starts kiv at the screen's corner, filling it; `env` adds to or overrides the disk sound driver.
    // `wrapper`, when given, is the command that runs kiv (a checker such as Valgrind, with its options).
    void start(const std::vector<std::string>& env = {}, const std::vector<std::string>& args = {},
               const std::vector<std::string>& wrapper = {});
    Process& process() { return *process_; }
    // The id of the window titled "kiv", waiting up to `seconds`; empty when none appeared.
    std::string window(double seconds = 15);
    // Runs a shell command against this run's X server and returns its output.
    std::string x(const std::string& command) const;
    // Asks the window to close as a window manager would: WM_DELETE_WINDOW. False when it could not be sent.
    bool askToClose(const std::string& window) const;
    // Moves the pointer to each screen position in turn, as fast as the X server takes it: one motion
    // event per position. Returns the seconds it took until the server had them all.
    double warpPointer(const std::vector<std::pair<int, int>>& positions) const;
    // Kills the window's X client as xkill does: the server closes kiv's connection. False when it failed.
    bool killClient(const std::string& window) const;
    // Shuts down this run's X server under the running show.
    void closeDisplay() { server_->stop(); }
    // Presses Escape and returns the exit status (Process::wait's codes).
    int escape(double seconds = 10);
    // Whether what the disk driver wrote holds any sample that is not silence.
    bool soundWritten() const;
    // Whether the music has reached the output yet; each call reads on from where the last one stopped.
    bool musicHeard();
    // Bytes the disk driver has written so far.
    long soundBytes() const;
    // What kiv printed; after a crash, also the stacks of its threads from the core it left, when gdb is there.
    std::string stderrText() const;

private:
    std::string crashStacks() const;

    std::unique_ptr<Xvfb> server_;
    std::string dir_;
    int screenW_;
    int screenH_;
    std::unique_ptr<Process> process_;
    std::streamoff heardUpTo_ = 0;  // bytes of out.raw that musicHeard has read
};
