// The polyphony limit against chords that arrive at once: every note-on beyond the limit must
// quick-stop a voice that is still sounding, not one already fading.
#include <gtest/gtest.h>

#include <vector>

#include "support/test_host.h"

namespace sorvella {
namespace {

using testing::makeInstrument;
using testing::render;
using testing::sendMidi;

// With "Voices" at 1, the second note of a four-note chord quick-stopped the first, and every
// later note picked that fading voice again: three notes kept sounding.
TEST(VoiceLimit, AChordAtOnceSoundsNoMoreVoicesThanTheLimit) {
    struct Case {
        int limit;
        int notes;
    };
    for (const Case c : {Case{1, 4}, Case{1, 2}, Case{2, 5}, Case{3, 8}, Case{4, 4}}) {
        SCOPED_TRACE(::testing::Message() << c.notes << " notes, limit " << c.limit);
        testing::HostRecorder host;
        auto vsti = makeInstrument();
        vsti->setParameter(kVoices, static_cast<float>(c.limit - 1) / 31.0f);
        ASSERT_EQ(vsti->voiceLimit(), c.limit);
        for (int k = 0; k < c.notes; ++k)
            sendMidi(*vsti, 0, 0x90, static_cast<std::uint8_t>(48 + 3 * k), 100);
        std::vector<float> left, right;
        render(*vsti, left, right, 64);
        EXPECT_EQ(vsti->soundingVoices(), c.notes);  // the quick-stopped voices are fading
        render(*vsti, left, right, 512);             // and gone after their 100 samples
        EXPECT_EQ(vsti->soundingVoices(), c.limit);
    }
}

}  // namespace
}  // namespace sorvella
