// Sets the variables every test may read, when the test runner did not.
#include <cstdlib>

namespace {
struct TestEnvironment {
    TestEnvironment() {
        ::setenv("VELTOD_SOURCE_DIR", VELTOD_TEST_SOURCE_DIR, 0);
        ::setenv("VELTOD_STAGE", VELTOD_TEST_STAGE, 0);
    }
} environment;
}  // namespace
