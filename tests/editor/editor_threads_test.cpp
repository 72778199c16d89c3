// The editor's models against an instrument that plays and is automated on other threads, as a
// host drives it. Under ThreadSanitizer this shows every hand-over and every edit is race-free.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "core/my_vsti.h"
#include "editor/editor_layout.h"
#include "editor/editor_mailbox.h"
#include "editor/envelope_editor_model.h"
#include "editor/formant_editor_model.h"
#include "editor/mailbox_editor.h"
#include "support/test_host.h"

namespace sorvella {
namespace {

// An editor without a window: every call from other threads only records.
class RecordingEditor : public MailboxEditor {
  public:
    using MailboxEditor::MailboxEditor;
    bool isReady() const override { return true; }
    bool getRect(vst2::ERect**) override { return false; }
    bool open(void*) override { return true; }
    void close() override {}
};

TEST(EditorThreads, TheWindowEditsAndShowsWhileHostAndAudioThreadsChangeTheInstrument) {
    MyVsti vsti(&testing::HostRecorder::callback,
                [](MyVsti& v) -> InstrumentEditor* { return new RecordingEditor(v); });
    auto& editor = static_cast<RecordingEditor&>(*vsti.instrumentEditor());
    editor.mailbox().setOpen(true);
    vsti.setParameter(kVowel1Start, 0.26f);
    vsti.resume();
    std::atomic<bool> audioDone{false};
    std::atomic<bool> hostDone{false};

    std::thread audio([&] {
        std::vector<float> left, right;
        for (int block = 0; block < 300; ++block) {
            testing::sendMidi(vsti, 0, 0x90, static_cast<std::uint8_t>(48 + block % 24), 100);
            testing::sendMidi(vsti, 1, 0xB0, 7, static_cast<std::uint8_t>(block % 128));
            if (block % 60 == 59) testing::sendMidi(vsti, 2, 0xC0, 0, 0);
            testing::render(vsti, left, right, 128);
        }
        audioDone = true;
    });
    std::thread host([&] {
        for (int i = 0; i < 3000; ++i)
            vsti.setParameter(kReverbMix, static_cast<float>(i % 100) * 0.01f);
        hostDone = true;
    });

    EnvelopeEditorModel envelope(vsti, 530, 145);
    FormantEditorModel formants(vsti, layout::kFormantGraph, layout::kFormantTable);
    formants.attach(0);
    EditorChanges changes;
    std::vector<float> shown(tags::kCount, -1.0f);
    auto idle = [&] {
        editor.mailbox().collect(changes);
        takeKeptValues(vsti, changes);
        for (std::int32_t t = 0; t < tags::kCount; ++t) {
            if (changes.dirty.test(static_cast<std::size_t>(t))) shown[t] = changes.values[t];
        }
    };
    const MouseButtons right{false, true};
    for (int pass = 0; !(audioDone && hostDone) || pass < 50; ++pass) {
        idle();
        if (changes.dirty.test(tags::kEnvelopeEditor)) envelope.pull();
        envelope.pressLeft({169, 60});
        envelope.dragTo({169 + (pass % 2 ? 5 : -5), 60});
        envelope.release();
        formants.press({383, 35}, right);
        formants.pass({383, 35}, right);
        formants.pass({383, 35}, MouseButtons{});
    }
    audio.join();
    host.join();

    // What the window shows at the end is what the instrument keeps.
    idle();
    EXPECT_EQ(shown[kLevel], vsti.getParameter(kLevel));
    EXPECT_EQ(shown[kReverbMix], vsti.getParameter(kReverbMix));
}

}  // namespace
}  // namespace sorvella
