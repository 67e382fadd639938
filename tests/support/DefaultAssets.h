#pragma once
#include <string>

// The folder of default pictures and music that KIV_ASSETS_TOOL writes, made once per test binary and removed
// at its exit. Empty when the tool failed.
const std::string& defaultAssets();
