// The standalone program's instrument without devices: the answers of its host callback, the
// file selector it offers and where its MIDI output goes.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/vst2/midi_message.h"
#include "presets/settings_names.h"
#include "standalone/my_vsti_standalone.h"
#include "support/test_host.h"
#include "tests/standalone/sent_messages.h"

namespace sorvella {
namespace {

// An application with no device opened: no latency, no MIDI ports.
class StandaloneHost : public ::testing::Test {
  protected:
    void SetUp() override {
        SettingsKey key;
        key.open(settings::kSubkey, settings::kClassText);
        key.setInt(settings::kLatency, 0);
        key.setInt(settings::kMidiInDevice, -1);
        key.setInt(settings::kMidiOutDevice, -1);
        app = MyVstiStandalone::create();
        ASSERT_TRUE(app);
        app->setFileDialog([this](const FileRequest& request, void*) {
            requests.push_back(request);
            return answer;
        });
    }
    vst2::intptr call(std::int32_t opcode, vst2::intptr value = 0, void* ptr = nullptr) {
        return MyVstiStandalone::hostCallback(app->getAeffect(), opcode, 0, value, ptr, 0.0f);
    }

    // What reaches a fake MIDI output port; it outlives the application, whose shut-down resets
    // the port.
    std::vector<std::vector<std::uint8_t>> sent;
    std::unique_ptr<MyVstiStandalone> app;
    std::vector<FileRequest> requests;
    std::optional<std::string> answer;
};

TEST_F(StandaloneHost, FileSelectorFillsOnlyTheCallersBufferAndMidiLeavesOnTheOutputChannel) {
    FileSelectRecord record(savePatchRequest());
    vst2::VstFileSelect* select = record.get();
    char small[8];
    std::memset(small, 'x', sizeof small);
    select->returnPath = small;
    select->sizeReturnPath = sizeof small;
    answer = "/tmp/a.fxp";  // 11 bytes with its terminator
    EXPECT_EQ(call(vst2::audioMasterOpenFileSelector, 0, select), 0);
    EXPECT_EQ(small[0], 'x');
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].title, "Save FX Patch");
    EXPECT_EQ(requests[0].dosType, "fxp");
    EXPECT_EQ(requests[0].command, vst2::kVstFileSave);

    answer = "/tmp/a";
    EXPECT_EQ(call(vst2::audioMasterOpenFileSelector, 0, select), 1);
    EXPECT_STREQ(small, "/tmp/a");
    EXPECT_EQ(call(vst2::audioMasterCloseFileSelector, 0, select), 1);
    EXPECT_EQ(select->returnPath, small) << "the caller's buffer is the caller's to free";

    // Without a buffer one is made, and freed (and cleared) when the selection closes.
    select->returnPath = nullptr;
    select->sizeReturnPath = 0;
    answer = std::string(900, 'p');
    EXPECT_EQ(call(vst2::audioMasterOpenFileSelector, 0, select), 1);
    ASSERT_NE(select->returnPath, nullptr);
    EXPECT_EQ(std::strlen(select->returnPath), 900u);
    EXPECT_EQ(call(vst2::audioMasterCloseFileSelector, 0, select), 1);
    EXPECT_EQ(select->returnPath, nullptr);

    answer.reset();
    select->returnPath = small;
    select->sizeReturnPath = sizeof small;
    EXPECT_EQ(call(vst2::audioMasterOpenFileSelector, 0, select), 0) << "cancelled";

    // The instrument's controllers. (MIDI input through the blocks is played end to end on a JACK
    // server, scripts/ci/50-jack.sh.)
    MidiPortsSetup setup;
    setup.outputChannel = 2;
    app->useMidiPorts(std::make_unique<MidiPorts>(setup, std::make_unique<SentMessages>(sent)));
    vst2::OneEventList cc(vst2::midiMessage(0, 0xB0, 7, 64));
    EXPECT_EQ(call(vst2::audioMasterProcessEvents, 0, &cc.list), 1);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], (std::vector<std::uint8_t>{0xB2, 7, 64}));
}

}  // namespace
}  // namespace sorvella
