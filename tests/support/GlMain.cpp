// Entry of the drawing tests: they run against a private Xvfb that lives as long as the test binary.
#include <gtest/gtest.h>

#include "tests/support/Xvfb.h"

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    Xvfb server;
    if (!server.ok()) {
        std::fprintf(stderr, "cannot start Xvfb\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
