#pragma once
#include <string>
#include <sys/types.h>

// A private X server for tests that need a display: starts Xvfb on a free display number, points DISPLAY
// at it, and stops it (restoring DISPLAY) when destroyed.
class Xvfb {
public:
    explicit Xvfb(int width = 1024, int height = 768);
    ~Xvfb();
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;

    bool ok() const { return pid_ > 0 && !display_.empty(); }
    const std::string& display() const { return display_; }  // ":N"

private:
    pid_t pid_ = -1;
    std::string display_;
    std::string previousDisplay_;
    bool hadDisplay_ = false;
};
