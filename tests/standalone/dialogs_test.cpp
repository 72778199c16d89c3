// The Setup and path dialogs' views in a headless frame, driven by scripted clicks and keys as a
// user drives them: what they open with, what OK hands back, and what is stored from it.
#include <gtest/gtest.h>

#include <optional>

#include "standalone/path_dialog.h"
#include "standalone/setup_dialog.h"
#include "toolkit/menu_session.h"
#include "toolkit/option_menu.h"
#include "toolkit/toolkit_harness.h"

namespace sorvella {
namespace {

CPoint centreOf(const CRect& r) {
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

CControl* control(CFrame& frame, std::int32_t tag) {
    for (std::int32_t i = 0; i < frame.getNbViews(); ++i) {
        auto* found = dynamic_cast<CControl*>(frame.getView(i));
        if (found && found->getTag() == tag) return found;
    }
    return nullptr;
}

struct DialogFixture : test::HeadlessFixture {
    DialogFixture() : HeadlessFixture(kSetupWidth, kSetupHeight) {}
    void click(std::int32_t tag) { run(CHeadlessWindow::click(centreOf(at(tag)))); }
    // Opens a list and picks an entry.
    void choose(std::int32_t tag, std::int32_t entry) {
        auto* menu = static_cast<COptionMenu*>(control(*frame, tag));
        const CRect popup = CMenuSession::popupRect(menu, {at(tag).left, at(tag).bottom});
        const CPoint on = centreOf(CMenuSession::entryRect(menu, popup, entry));
        run({{centreOf(at(tag)), kLButton, true},
             {centreOf(at(tag)), 0, true},
             {on, kLButton, true},
             {on, 0, true}});
    }
    void typeInto(std::int32_t tag, int backspaces, const std::string& text) {
        click(tag);
        window->typeKey(kVirtEnd);
        for (int i = 0; i < backspaces; ++i)
            window->typeKey(kVirtBack);
        window->typeText(text);
        frame->idle();
    }
    CRect at(std::int32_t tag) { return control(*frame, tag)->getViewSize(); }

    std::optional<bool> ended;
};

DeviceSetup storedSetup() {
    DeviceSetup stored;
    stored.inputChannel = kAllChannels;
    stored.outputChannel = 3;
    stored.sampleRate = 50000;  // none of the offered rates
    stored.tempo = 99.999f;
    return stored;
}

SetupDialogContent storedContent() {
    SetupDialogContent content;
    content.audioDevices = {"JACK: system", "ALSA: default"};
    content.midiInputs = {"JACK: keys:out", "ALSA: Midi Through"};
    content.midiOutputs = {"JACK: synth:in"};
    content.grantedFrames = 256;
    content.grantedRate = 48000;
    content.selection = openingSelection(storedSetup(), 2, 1, 2);
    return content;
}

TEST(SetupDialog, OpensWithTheStoredValuesAndOkStoresTheUsersChoice) {
    const DeviceSetup stored = storedSetup();
    const SetupDialogContent content = storedContent();
    DialogFixture fixture;
    SetupDialogView view(*fixture.frame, content, [&](bool ok) { fixture.ended = ok; });
    fixture.frame->redraw();

    auto shown = [&](std::int32_t tag) {
        return static_cast<COptionMenu*>(control(*fixture.frame, tag))->displayText();
    };
    EXPECT_EQ(shown(kSetupAudioDevice), " JACK: system");
    EXPECT_EQ(shown(kSetupInputChannel), " all");
    EXPECT_EQ(shown(kSetupOutputChannel), " 4");
    EXPECT_EQ(shown(kSetupSampleRate), "");  // the stored rate is not offered
    EXPECT_EQ(grantedStreamText(content), "Running: 256 frames at 48000 Hz");
    EXPECT_EQ(grantedStreamText(SetupDialogContent{}), "");

    // OK untouched keeps every value, the unlisted rate too; the tempo comes back rounded.
    fixture.click(kSetupOk);
    ASSERT_EQ(fixture.ended, std::optional<bool>(true));
    DeviceSetup kept = confirmedSetup(stored, view.selection());
    EXPECT_EQ(kept.sampleRate, 50000);
    EXPECT_EQ(kept.outputChannel, 3);
    EXPECT_FLOAT_EQ(kept.tempo, 100.0f);

    // The second device, "none" for output, 96000, and a latency typed in.
    fixture.choose(kSetupAudioDevice, 1);
    fixture.choose(kSetupOutputChannel, 0);
    fixture.choose(kSetupSampleRate, 4);
    fixture.typeInto(kSetupLatency, 2, "2a0");  // digits only
    fixture.ended.reset();
    fixture.click(kSetupOk);
    ASSERT_EQ(fixture.ended, std::optional<bool>(true));
    const DeviceSetup chosen = confirmedSetup(stored, view.selection());
    EXPECT_EQ(chosen.audioDevice, 1);
    EXPECT_EQ(chosen.outputChannel, kNoChannel);
    EXPECT_EQ(chosen.sampleRate, 96000);
    EXPECT_EQ(chosen.latencyMs, 20) << view.selection().latencyText;
    EXPECT_EQ(chosen.inputChannel, kAllChannels);

    fixture.click(kSetupCancel);
    EXPECT_EQ(fixture.ended, std::optional<bool>(false));
}

TEST(PathDialog, GivesTheTypedPathWithTheRequestsExtension) {
    struct Case {
        std::int32_t command;
        std::string typed;
        std::optional<std::string> path;
    };
    const Case cases[] = {
        {vst2::kVstFileSave, "take", "/music/take.wav"},
        {vst2::kVstFileSave, "take.WAV", "/music/take.WAV"},
        {vst2::kVstFileLoad, "take", "/music/take"},
        {vst2::kVstFileSave, "", std::nullopt},  // the folder alone is no file
    };
    for (const Case& c : cases) {
        FileRequest request;
        request.command = c.command;
        request.typeName = "WAV Files";
        request.dosType = "wav";
        DialogFixture fixture;
        PathDialogView view(*fixture.frame, request, "/music/",
                            [&](bool ok) { fixture.ended = ok; });
        const CRect line = fixture.at(0);  // the path's line
        fixture.run(CHeadlessWindow::click({line.right - 3, centreOf(line).v}));
        fixture.window->typeText(c.typed);
        fixture.frame->idle();
        fixture.click(1);  // OK
        EXPECT_EQ(fixture.ended, std::optional<bool>(true));
        EXPECT_EQ(view.path(), c.path) << c.typed;
    }
}

}  // namespace
}  // namespace sorvella
