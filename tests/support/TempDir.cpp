#include "tests/support/TempDir.h"

#include <cstdlib>

std::string makeTempDir()
{
    char tmpl[] = "/tmp/kiv-test-XXXXXX";
    return mkdtemp(tmpl) ? std::string(tmpl) : std::string();
}
