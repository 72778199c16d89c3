// The plugin record and the answer to host requests, as a host finds them.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/plugin/plugin_fixture.h"
#include "tests/plugin/test_host.h"

namespace sorvella::test {
namespace {

class PluginRequests : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(host.open()); }

    TestHost host;
};

TEST_F(PluginRequests, RecordAndAnswersOfAStereoSynth) {
    const vst2::AEffect& effect = *host.effect();
    EXPECT_EQ(effect.magic, vst2::kEffectMagic);
    EXPECT_EQ(effect.numPrograms, 8);
    EXPECT_EQ(effect.numParams, 29);
    EXPECT_EQ(effect.numOutputs, 2);
#ifdef SORVELLA_PLUGIN_HAS_EDITOR
    constexpr std::int32_t kEditorFlag = vst2::effFlagsHasEditor;
#else
    constexpr std::int32_t kEditorFlag = 0;
#endif
    EXPECT_EQ(effect.flags, vst2::effFlagsCanReplacing | vst2::effFlagsProgramChunks |
                                vst2::effFlagsIsSynth | kEditorFlag);
    // A 2.4 host calls the first eight bytes as processDoubleReplacing when they are not null.
    const std::array<char, sizeof effect.future> zero{};
    EXPECT_EQ(std::memcmp(effect.future, zero.data(), zero.size()), 0);
    EXPECT_EQ(host.text(vst2::effGetVendorString), "Kestrane");

#ifdef SORVELLA_PLUGIN_HAS_EDITOR
    // The editor's size is known before it opens.
    vst2::ERect* rect = nullptr;
    EXPECT_EQ(host.dispatch(vst2::effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_GE(rect->right - rect->left, 819);
    std::vector<std::int32_t> unserved;
#else
    // Without an editor its requests answer 0 too.
    std::vector<std::int32_t> unserved{vst2::effEditGetRect, vst2::effEditOpen};
#endif
    // Requests the instrument does not serve answer 0.
    for (std::int32_t opcode : {16, 20, 36, 44, 53, 66, 78, 81, 128, -1, INT_MAX, INT_MIN})
        unserved.push_back(opcode);
    for (std::int32_t opcode : unserved) {
        std::vector<unsigned char> buffer(4096, 0);  // a harmless zeroed buffer
        EXPECT_EQ(host.dispatch(opcode, 0, 0, buffer.data()), 0) << "opcode " << opcode;
    }
    EXPECT_EQ(host.dispatch(vst2::effGetVstVersion), 2300);
    EXPECT_EQ(host.canDo("receiveVstMidiEvent"), 1);
    for (const std::string& other : {std::string("sendVstMidiEvent"), std::string(""),
                                     "receiveVstEvents" + std::string(1096, 's')}) {
        EXPECT_EQ(host.canDo(other), -1) << other.substr(0, 30);
    }

    // Resume asks for MIDI; the host's own changes are not reported back.
    host.resume();
    EXPECT_EQ(host.callCount(vst2::audioMasterWantMidi), 1u);
    host.clearCalls();
    host.suspend();
    for (std::int32_t index = 0; index < kParamCount; ++index)
        host.setParameter(index, 0.3f);
    EXPECT_EQ(host.callCount(vst2::audioMasterAutomate), 0u);
    EXPECT_EQ(host.callCount(vst2::audioMasterProcessEvents), 0u);
}

// Programs are selected inside the bank only; edits reach a slot only through effCopyProgram,
// and a name keeps at most 24 characters.
TEST_F(PluginRequests, ProgramsEditsAndNames) {
    for (std::int32_t slot : {8, -1, INT_MIN}) {
        vst2::intptr answer = 1;
        host.text(vst2::effGetProgramNameIndexed, slot, &answer);
        EXPECT_EQ(answer, 0) << slot;
        EXPECT_EQ(host.dispatch(vst2::effCopyProgram, slot), 0) << slot;
    }
    host.setProgram(2);
    for (vst2::intptr program : {vst2::intptr{8}, vst2::intptr{-1}, (vst2::intptr{1} << 32) + 3}) {
        host.setProgram(program);
        EXPECT_EQ(host.program(), 2) << program;
    }
    host.clearCalls();
    std::string name(300, 'n');
    EXPECT_EQ(host.dispatch(vst2::effSetProgramName, 0, 0, name.data()), 0);
    EXPECT_EQ(host.text(vst2::effGetProgramName), name.substr(0, 24));
    EXPECT_GE(host.callCount(vst2::audioMasterUpdateDisplay), 1u);
    host.setParameter(kLevel, 0.25f);
    host.setProgram(2);
    EXPECT_EQ(host.getParameter(kLevel), 0.5f) << "edits are not written back to the slot";
    host.dispatch(vst2::effSetProgramName, 0, 0, name.data());
    host.setParameter(kLevel, 0.25f);
    EXPECT_EQ(host.dispatch(vst2::effCopyProgram, 3), 1);
    EXPECT_EQ(host.text(vst2::effGetProgramNameIndexed, 3), name.substr(0, 24));
    EXPECT_EQ(host.text(vst2::effGetProgramNameIndexed, 2), "Default");
    host.setProgram(3);
    EXPECT_EQ(host.getParameter(kLevel), 0.25f);
}

}  // namespace
}  // namespace sorvella::test
