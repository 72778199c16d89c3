// The plugin record and the answer to every host request, as a host finds them.
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

TEST_F(PluginRequests, RecordDescribesAStereoSynth) {
    const vst2::AEffect& effect = *host.effect();
    EXPECT_EQ(effect.magic, vst2::kEffectMagic);
    EXPECT_EQ(effect.numPrograms, 8);
    EXPECT_EQ(effect.numParams, 29);
    EXPECT_EQ(effect.numInputs, 0);
    EXPECT_EQ(effect.numOutputs, 2);
#ifdef SORVELLA_PLUGIN_HAS_EDITOR
    constexpr std::int32_t kEditorFlag = vst2::effFlagsHasEditor;
#else
    constexpr std::int32_t kEditorFlag = 0;
#endif
    EXPECT_EQ(effect.flags, vst2::effFlagsCanReplacing | vst2::effFlagsProgramChunks |
                                vst2::effFlagsIsSynth | kEditorFlag);
    EXPECT_EQ(effect.initialDelay, 0);
    EXPECT_EQ(effect.uniqueID, 0x534F5256);  // "SORV"
    EXPECT_EQ(effect.version, 2);
    EXPECT_EQ(effect.resvd1, 0);
    EXPECT_EQ(effect.resvd2, 0);
    // A 2.4 host calls the first eight bytes as processDoubleReplacing when they are not null.
    const std::array<char, sizeof effect.future> zero{};
    EXPECT_EQ(std::memcmp(effect.future, zero.data(), zero.size()), 0);
    vst2::intptr answer = 0;
    for (auto [opcode, text] : {std::pair{vst2::effGetEffectName, "Sorvella"},
                                {vst2::effGetVendorString, "Kestrane"},
                                {vst2::effGetProductString, "Sorvella"}}) {
        EXPECT_EQ(host.text(opcode, 0, &answer), text);
        EXPECT_EQ(answer, 1);
    }
}

TEST_F(PluginRequests, FixedAnswers) {
    struct Request {
        std::int32_t opcode;
        std::int32_t index;
        vst2::intptr value;
        vst2::intptr answer;
    };
    std::vector<Request> requests = {
        {vst2::effGetVstVersion, 0, 0, 2300},
        {vst2::effIdentify, 0, 0, vst2::fourCC('N', 'v', 'E', 'f')},
        {vst2::effGetPlugCategory, 0, 0, vst2::kPlugCategSynth},
        {vst2::effGetVendorVersion, 0, 0, 1},
        {vst2::effGetNumProgramCategories, 0, 0, 1},
        {vst2::effOpen, 0, 0, 0},
        {vst2::effGetVu, 0, 0, 0},
        {vst2::effConnectInput, 0, 1, 1},
        {vst2::effConnectOutput, 1, 1, 1},
        {vst2::effKeysRequired, 0, 0, 0},
        {vst2::effGetCurrentMidiProgram, 0, 0, -1},
        {vst2::effGetParameterProperties, 0, 0, 0},
        {vst2::effSetTotalSampleToProcess, 0, 12345, 12345},
        {vst2::effGetInputProperties, 0, 0, 0},
#ifdef SORVELLA_PLUGIN_HAS_EDITOR
        // The editor's size is known before it opens; a closed editor takes no keys.
        {vst2::effEditGetRect, 0, 0, 1},
#else
        // Without an editor every editor request answers 0.
        {vst2::effEditGetRect, 0, 0, 0},
#endif
        {vst2::effEditOpen, 0, 0, 0},
        {vst2::effEditIdle, 0, 0, 0},
        {vst2::effEditKeyDown, 'a', 0, 0},
        {vst2::effEditKeyUp, 'a', 0, 0},
#ifdef SORVELLA_PLUGIN_HAS_EDITOR
        {vst2::effSetEditKnobMode, 0, 2, 1},
#else
        {vst2::effSetEditKnobMode, 0, 2, 0},
#endif
        {vst2::effEditClose, 0, 0, 0},
    };
    for (std::int32_t index = 0; index < kParamCount; ++index)
        requests.push_back({vst2::effCanBeAutomated, index, 0, 1});
    // Every request the instrument does not serve.
    for (std::int32_t opcode :
         {16, 17, 18, 20, 21,  36,  37,  38,  39,  40, 41, 42,   44,      46,     50, 52,
          53, 54, 55, 62, 64,  65,  66,  67,  68,  70, 71, 72,   74,      75,     76, 77,
          78, 79, 80, 81, 100, 127, 128, 255, 999, -1, -2, -100, INT_MAX, INT_MIN}) {
        requests.push_back({opcode, 0, 0, 0});
    }
    for (const Request& r : requests) {
        std::vector<unsigned char> buffer(4096, 0);  // a harmless zeroed buffer
        EXPECT_EQ(host.dispatch(r.opcode, r.index, r.value, buffer.data()), r.answer)
            << "opcode " << r.opcode << " index " << r.index;
    }
    int in = 1;
    int out = 2;
    void* input = &in;
    void* output = &out;
    EXPECT_EQ(host.dispatch(vst2::effGetSpeakerArrangement, 0,
                            reinterpret_cast<vst2::intptr>(&input), &output),
              0);
    EXPECT_EQ(input, nullptr);
    EXPECT_EQ(output, nullptr);
}

TEST_F(PluginRequests, CanDoAnswersOnlyTheTwoReceiveStrings) {
    EXPECT_EQ(host.canDo("receiveVstEvents"), 1);
    EXPECT_EQ(host.canDo("receiveVstMidiEvent"), 1);
    const std::vector<std::string> others = {"sendVstMidiEvent",
                                             "receiveVstTimeInfo",
                                             "receiveVstEventsX",
                                             "ReceiveVstEvents",
                                             "",
                                             std::string(1112, 'r'),
                                             "receiveVstEvents" + std::string(1096, 's')};
    for (const std::string& other : others) {
        EXPECT_EQ(host.canDo(other), -1) << other.substr(0, 30);
    }
}

TEST_F(PluginRequests, OutputPinsAreLabelledAndOtherPinsLeftAlone) {
    for (std::int32_t pin : {0, 1, 2, 100, -1, INT_MIN, INT_MAX}) {
        SCOPED_TRACE(pin);
        vst2::VstPinProperties properties;
        std::memset(&properties, 0x5A, sizeof properties);
        vst2::VstPinProperties expected = properties;
        const bool ours = pin == 0 || pin == 1;
        if (ours) {
            std::snprintf(expected.label, sizeof expected.label, "SORV%d", pin + 1);
            expected.flags = vst2::kVstPinIsActive | vst2::kVstPinIsStereo;
        }
        EXPECT_EQ(host.dispatch(vst2::effGetOutputProperties, pin, 0, &properties), ours ? 1 : 0);
        EXPECT_EQ(std::memcmp(&properties, &expected, sizeof properties), 0);
    }
}

TEST_F(PluginRequests, ResumeAsksForMidiAndHostChangesAreNotReportedBack) {
    host.clearCalls();
    host.resume();
    EXPECT_EQ(host.callCount(vst2::audioMasterWantMidi), 1u);
    host.clearCalls();
    host.suspend();
    for (std::int32_t index = 0; index < kParamCount; ++index)
        host.setParameter(index, 0.3f);
    EXPECT_EQ(host.callCount(vst2::audioMasterWantMidi), 0u);
    EXPECT_EQ(host.callCount(vst2::audioMasterAutomate), 0u);
    EXPECT_EQ(host.callCount(vst2::audioMasterProcessEvents), 0u);
}

TEST_F(PluginRequests, ProgramsAreSelectedInsideTheBankOnly) {
    EXPECT_EQ(host.program(), 0);
    for (std::int32_t slot = 0; slot < 8; ++slot)
        EXPECT_EQ(host.text(vst2::effGetProgramNameIndexed, slot), "Default");
    for (std::int32_t slot : {8, -1, INT_MIN}) {
        vst2::intptr answer = 1;
        host.text(vst2::effGetProgramNameIndexed, slot, &answer);
        EXPECT_EQ(answer, 0) << slot;
        EXPECT_EQ(host.dispatch(vst2::effCopyProgram, slot), 0) << slot;
    }
    host.setProgram(3);
    for (vst2::intptr program : {vst2::intptr{8}, vst2::intptr{-1}, (vst2::intptr{1} << 32) + 3}) {
        host.setProgram(program);
        EXPECT_EQ(host.program(), 3) << program;
    }
    host.setProgram(7);
    EXPECT_EQ(host.program(), 7);
}

TEST_F(PluginRequests, EditsReachASlotOnlyThroughCopyProgram) {
    host.setParameter(kLevel, 0.9f);
    host.setProgram(2);
    EXPECT_EQ(host.getParameter(kLevel), 0.5f);
    host.clearCalls();
    char name[] = "Edited";
    EXPECT_EQ(host.dispatch(vst2::effSetProgramName, 0, 0, name), 0);
    EXPECT_GE(host.callCount(vst2::audioMasterUpdateDisplay), 1u);
    host.setParameter(kLevel, 0.25f);
    host.setProgram(2);
    EXPECT_EQ(host.getParameter(kLevel), 0.5f) << "edits are not written back to the slot";
    host.dispatch(vst2::effSetProgramName, 0, 0, name);
    host.setParameter(kLevel, 0.25f);
    EXPECT_EQ(host.dispatch(vst2::effCopyProgram, 3), 1);
    EXPECT_EQ(host.text(vst2::effGetProgramNameIndexed, 3), "Edited");
    EXPECT_EQ(host.text(vst2::effGetProgramNameIndexed, 2), "Default");
    host.setProgram(3);
    EXPECT_EQ(host.getParameter(kLevel), 0.25f);
    EXPECT_EQ(host.text(vst2::effGetProgramName), "Edited");
}

// A program name keeps 24 characters; a longer one is cut to them.
TEST_F(PluginRequests, ProgramNamesKeepAtMostTwentyFourCharacters) {
    for (std::string name : {std::string("ABCDEFGHIJKLMNOPQRSTUVWX"), std::string(300, 'n')}) {
        host.dispatch(vst2::effSetProgramName, 0, 0, name.data());
        EXPECT_EQ(host.text(vst2::effGetProgramName), name.substr(0, 24));
    }
}

}  // namespace
}  // namespace sorvella::test
