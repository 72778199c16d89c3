#include "editor/editor_mailbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace sorvella {
namespace {

// Host threads and the audio thread record while the window's thread collects. Each writer owns
// its parameters and writes rising values, so the window's thread must never see one fall, every
// name it sees must be one that was written whole, and at the end it must see the last values.
TEST(EditorMailbox, WritersOnManyThreadsAndTheWindowsThread) {
    constexpr int kRounds = 4000;
    EditorMailbox box;
    box.setOpen(true);
    const std::string names[2] = {std::string(24, 'a'), std::string(24, 'b')};
    std::atomic<int> running{4};
    auto parameterWriter = [&](std::int32_t first, std::int32_t last) {
        for (int r = 1; r <= kRounds; ++r) {
            for (std::int32_t p = first; p <= last; ++p)
                box.showParameter(p, static_cast<float>(r) / kRounds);
            if (r % 64 == 0) box.refreshProgramButtons(r % 8);
        }
        running.fetch_sub(1);
    };
    auto nameWriter = [&](int which) {
        for (int r = 0; r < kRounds; ++r) {
            box.showProgramName(names[which].c_str());
            box.controllerMapChanged();
            box.sampleRateChanged(44100.0f + static_cast<float>(which));
        }
        running.fetch_sub(1);
    };
    std::vector<std::thread> writers;
    writers.emplace_back(parameterWriter, 0, 14);   // the audio thread's MIDI controllers
    writers.emplace_back(parameterWriter, 15, 28);  // host automation
    writers.emplace_back(nameWriter, 0);
    writers.emplace_back(nameWriter, 1);

    std::vector<float> seen(tags::kCount, 0.0f);
    int names_seen = 0;
    EditorChanges changes;
    auto check = [&] {
        box.collect(changes);
        for (std::int32_t p = 0; p < kNumParams; ++p) {
            if (!changes.dirty.test(static_cast<std::size_t>(p))) continue;
            EXPECT_GE(changes.values[p], seen[p]) << p;
            seen[p] = changes.values[p];
        }
        if (changes.programNameChanged) {
            ++names_seen;
            EXPECT_TRUE(changes.programName == names[0] || changes.programName == names[1])
                << changes.programName;
        }
    };
    while (running.load() > 0)
        check();
    for (std::thread& t : writers)
        t.join();
    check();
    for (std::int32_t p = 0; p < kNumParams; ++p)
        EXPECT_EQ(seen[p], 1.0f) << p;
    EXPECT_GT(names_seen, 0);
}

}  // namespace
}  // namespace sorvella
