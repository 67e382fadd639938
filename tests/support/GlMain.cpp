// Entry of the drawing tests: they run against a private Xvfb that lives as long as the test binary.
#include <gtest/gtest.h>

#include "tests/support/GlWindow.h"
#include "tests/support/Xvfb.h"

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    Xvfb server;
    if (!server.ok()) {
        std::fprintf(stderr, "cannot start Xvfb\n");
        return 1;
    }
    int failed = RUN_ALL_TESTS();
    GlWindow::close();  // before the server goes, or Xlib ends the process on the broken connection
    return failed;
}
