// Points XDG_CONFIG_HOME at a fresh temporary directory before anything else in the unit-test
// process runs, so that no test ever reads or writes the real user's settings.
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "tests/support/temp_dir.h"

namespace sorvella::test {
namespace {

class IsolatedConfig {
  public:
    IsolatedConfig() {
        try {
            home_.emplace("sorvella-config");
        } catch (const std::exception& e) {
            // Running on would let the tests touch the user's own settings file.
            std::fprintf(stderr, "isolated config: %s\n", e.what());
            std::abort();
        }
        ::setenv("XDG_CONFIG_HOME", home_->path().c_str(), 1);
    }

  private:
    std::optional<TempDir> home_;
};

// Priority 101 is the first one open to programs: before any other static object of the tests.
IsolatedConfig isolatedConfig __attribute__((init_priority(101)));

}  // namespace
}  // namespace sorvella::test
