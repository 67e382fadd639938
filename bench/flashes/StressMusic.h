#pragma once
#include <string>
#include <vector>

// Music made to make the show flash, each track as long as the show's music: drum hits (kick and snare) at 2,
// 3, 4, 6 and 8 a second; white noise gated on and off at 5 and 10 Hz; silence cut by full-scale bursts of
// noise 0.1 s long at gaps of 3, 1, 0.5, 0.25 and 2 s in turn. Written as MP3 files into `dir`; returns
// their paths, or nothing after a line on stderr.
std::vector<std::string> writeStressMusic(const std::string& dir);
// The drum hits alone, `perSecond` of them, into the MP3 file `path`; false after a line on stderr.
bool writeDrumHits(const std::string& path, int perSecond);
