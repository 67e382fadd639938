#pragma once
#include <string>

// A fresh empty directory under /tmp, named kiv-test-*; empty if none could be made. The test removes it.
std::string makeTempDir();
