#pragma once

#include <gtest/gtest.h>

#include "tools/levels/LevelTrace.h"

// The range the show is designed for, as any music must drive it: audioLevel's median 0.3-0.7 and p90
// 0.7-1.2, and the background's brightness spread over at least 0.3 between p10 and p90.
inline void expectInTheDesignedRange(const LevelSummary& s)
{
    EXPECT_GE(s.level[1], 0.3f);
    EXPECT_LE(s.level[1], 0.7f);
    EXPECT_GE(s.level[2], 0.7f);
    EXPECT_LE(s.level[2], 1.2f);
    EXPECT_GE(s.brightness[2] - s.brightness[0], 0.3f);
}
