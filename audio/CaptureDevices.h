#pragma once
#include <string>
#include <vector>

// The capture devices SDL lists, and which of them is "what the computer plays". Needs the audio subsystem.
namespace capture {

std::vector<std::string> listDevices();

// The monitor of the default output, where the sound server lists one (PulseAudio, PipeWire); else the default
// capture device; empty leaves the choice to SDL.
std::string defaultSource(const std::vector<std::string>& devices);

}  // namespace capture
