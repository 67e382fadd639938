#pragma once
#include <ios>
#include <string>
#include <vector>

// Where sound begins in a stream of float samples: the first sample louder than `floor` in magnitude. With the
// floor at 0 that is the first sample that is not exactly silent (the mixer writes exact zeros while nothing
// plays); a small floor passes over what a lossy codec leaves around silence.

// In memory: the sample's index, or -1.
long firstSound(const std::vector<float>& samples, float floor = 0.0f);

// In the raw file a sound device writes as it plays (32-bit floats): the sample's byte offset at or after byte
// `from`, or -1 when there is none yet or no file. `from` moves past the whole samples read, so that a caller
// polling a growing file reads each sample once.
std::streamoff firstSoundInFile(const std::string& path, std::streamoff& from, float floor = 0.0f);
