#pragma once
#include <memory>
#include <string>
#include <vector>

#include "tests/support/Process.h"

// A private PulseAudio server for the listening tests and benchmarks: a null sink, kSink, whose monitor is the
// default source, reached through a unix socket with anonymous access in a folder of its own; no D-Bus, no
// default script, never exits by itself. As root it runs as a user's server would (it warns so).
class PulseServer {
public:
    static constexpr const char* kSink = "kivtest";

    PulseServer();   // starts the server and waits until it answers; ok() says whether it did
    ~PulseServer();  // stops it and removes its folder
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    bool ok() const { return server_ != nullptr; }
    // Ends the server at once, as a crash would: its clients lose their streams.
    void kill();
    // Starts it again on the same socket; whether it answers.
    bool start();
    // What a client needs in its environment to reach this server and no other.
    std::vector<std::string> clientEnv() const;
    // Starts paplay playing `file` into the null sink.
    std::unique_ptr<Process> play(const std::string& file) const;
    std::string stderrText() const { return server_ ? server_->stderrText() : ""; }

private:
    std::string dir_;
    std::unique_ptr<Process> server_;
};
