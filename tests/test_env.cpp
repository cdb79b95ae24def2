// Linked into every test program: the environment the tests expect, so a
// test binary run by hand behaves as under ctest. The documents folder always
// points away from the user's real one.
#include <cstdlib>

namespace {
struct TestEnvironment {
    TestEnvironment() {
        ::setenv("TREVOPELQUOR_HOME", PELQUOR_TEST_HOME, 1);
        ::setenv("PELQUOR_SOURCE_DIR", PELQUOR_SOURCE_DIR_VALUE, 0);
        ::setenv("PELQUOR_BIN_DIR", PELQUOR_BIN_DIR_VALUE, 0);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
        ::setenv("QT_LOGGING_RULES", "qt.webenginecontext.info=false", 0);
    }
} environment;
} // namespace
