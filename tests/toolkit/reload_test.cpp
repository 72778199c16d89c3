#include <dlfcn.h>
#include <gtest/gtest.h>

namespace sorvella {
namespace {

// A host loads the editor's library, unloads it and loads it again, and may keep two loaded
// instances' windows open: nothing the toolkit keeps for the process may break then.
TEST(Toolkit, DrawsTheSameAfterItsLibraryIsUnloadedAndLoadedAgain) {
    long first = 0;
    for (int round = 0; round < 3; ++round) {
        void* module = dlopen(SORVELLA_RELOAD_MODULE, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module, nullptr) << dlerror();
        auto draw = reinterpret_cast<long (*)()>(dlsym(module, "drawWithToolkit"));
        ASSERT_NE(draw, nullptr);
        const long sum = draw();
        if (round == 0) first = sum;
        EXPECT_EQ(sum, first) << round;
        EXPECT_EQ(draw(), first);
        EXPECT_EQ(dlclose(module), 0);
        // Really unloaded (nothing in it pins it in memory).
        EXPECT_EQ(dlopen(SORVELLA_RELOAD_MODULE, RTLD_NOW | RTLD_NOLOAD), nullptr);
    }
}

}  // namespace
}  // namespace sorvella
