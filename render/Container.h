#pragma once
#include <string>

// A container and the encoders it gets, picked by the output's extension.
struct Container {
    const char* extension;     // ".mp4"
    const char* format;        // libavformat's muxer
    const char* videoEncoder;  // libavcodec's encoder names
    const char* audioEncoder;
    int defaultQuality;        // the video encoder's constant-quality value (CRF)
    int maxQuality;
};

// The container for `path`'s extension, or null. knownExtensions() lists those there are, for messages.
const Container* containerFor(const std::string& path);
const char* knownExtensions();
