#pragma once
#include <string>
#include <sys/types.h>

// A private X server for tests that need a display: starts Xvfb on a free display number, points DISPLAY
// at it unless told not to (other threads may read the environment), and stops it (restoring DISPLAY) when
// destroyed.
class Xvfb {
public:
    explicit Xvfb(int width = 1024, int height = 768, bool pointDisplayHere = true);
    ~Xvfb();
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;

    bool ok() const { return pid_ > 0 && !display_.empty(); }
    // Shuts the server down, as when a display goes away under its clients; ok() is false afterwards.
    void stop();
    const std::string& display() const { return display_; }  // ":N"

private:
    pid_t pid_ = -1;
    std::string display_;
    std::string previousDisplay_;
    bool hadDisplay_ = false;
    bool pointsDisplay_;
};
