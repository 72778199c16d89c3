// A second start finds the lock taken, asks the first copy to raise its window and ends.
#include <gtest/gtest.h>

#include "standalone/single_instance.h"
#include "support/temp_dir.h"

namespace sorvella {
namespace {

TEST(SingleInstance, SecondStartAsksTheFirstToRaise) {
    test::TempDir dir;
    SingleInstance first(dir.path().string());
    ASSERT_EQ(first.role(), SingleInstance::Role::kFirst);
    ASSERT_GE(first.requestFd(), 0);
    {
        SingleInstance second(dir.path().string());
        EXPECT_EQ(second.role(), SingleInstance::Role::kSecond);
        EXPECT_EQ(second.requestFd(), -1);
    }
    int raised = 0;
    first.takeRequests([&] { ++raised; });
    EXPECT_EQ(raised, 1);

    EXPECT_EQ(SingleInstance(std::nullopt).role(), SingleInstance::Role::kUnchecked);
}

TEST(SingleInstance, TheLockGoesWithTheFirstCopy) {
    test::TempDir dir;
    { SingleInstance first(dir.path().string()); }
    SingleInstance again(dir.path().string());
    EXPECT_EQ(again.role(), SingleInstance::Role::kFirst);
}

}  // namespace
}  // namespace sorvella
