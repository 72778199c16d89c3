// The plugin record and the answer to every host request, as a host finds them.
#include <gtest/gtest.h>

#include <array>
#include <climits>
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

TEST_F(PluginRequests, RecordDescribesAStereoSynthWithoutEditor) {
    const vst2::AEffect& effect = *host.effect();
    EXPECT_EQ(effect.magic, vst2::kEffectMagic);
    EXPECT_EQ(effect.numPrograms, 8);
    EXPECT_EQ(effect.numParams, 29);
    EXPECT_EQ(effect.numInputs, 0);
    EXPECT_EQ(effect.numOutputs, 2);
    EXPECT_EQ(effect.flags,
              vst2::effFlagsCanReplacing | vst2::effFlagsProgramChunks | vst2::effFlagsIsSynth);
    EXPECT_EQ(effect.initialDelay, 0);
    EXPECT_EQ(effect.realQualities, 0);
    EXPECT_EQ(effect.offQualities, 0);
    EXPECT_EQ(effect.ioRatio, 1.0f);
    EXPECT_EQ(effect.user, nullptr);
    EXPECT_NE(effect.object, nullptr);
    EXPECT_EQ(effect.uniqueID, vst2::fourCC('S', 'O', 'R', 'V'));
    EXPECT_EQ(effect.uniqueID, 0x534F5256);
    EXPECT_EQ(effect.version, 2);
    EXPECT_NE(effect.dispatcher, nullptr);
    EXPECT_NE(effect.process, nullptr);
    EXPECT_NE(effect.processReplacing, nullptr);
    EXPECT_NE(effect.setParameter, nullptr);
    EXPECT_NE(effect.getParameter, nullptr);
}

TEST_F(PluginRequests, HostOwnedAndFutureFieldsAreZero) {
    const vst2::AEffect& effect = *host.effect();
    EXPECT_EQ(effect.resvd1, 0);
    EXPECT_EQ(effect.resvd2, 0);
    // A 2.4 host calls the first eight bytes as processDoubleReplacing when they are not null.
    const std::array<char, sizeof effect.future> zero{};
    EXPECT_EQ(std::memcmp(effect.future, zero.data(), zero.size()), 0);
}

TEST_F(PluginRequests, VersionsIdentityAndCategory) {
    EXPECT_EQ(host.dispatch(vst2::effGetVstVersion), 2300);
    EXPECT_EQ(host.dispatch(vst2::effIdentify), vst2::fourCC('N', 'v', 'E', 'f'));
    EXPECT_EQ(host.dispatch(vst2::effGetPlugCategory), vst2::kPlugCategSynth);
    EXPECT_EQ(host.dispatch(vst2::effGetVendorVersion), 1);
    EXPECT_EQ(host.dispatch(vst2::effGetNumProgramCategories), 1);
}

TEST_F(PluginRequests, NamesOfEffectVendorAndProduct) {
    vst2::intptr answer = 0;
    EXPECT_EQ(host.text(vst2::effGetEffectName, 0, &answer), "Sorvella");
    EXPECT_EQ(answer, 1);
    EXPECT_EQ(host.text(vst2::effGetVendorString, 0, &answer), "Kestrane");
    EXPECT_EQ(answer, 1);
    EXPECT_EQ(host.text(vst2::effGetProductString, 0, &answer), "Sorvella");
    EXPECT_EQ(answer, 1);
}

TEST_F(PluginRequests, CanDoAnswersOnlyTheTwoReceiveStrings) {
    EXPECT_EQ(host.canDo("receiveVstEvents"), 1);
    EXPECT_EQ(host.canDo("receiveVstMidiEvent"), 1);
    for (const char* other : {"sendVstMidiEvent", "sendVstEvents", "receiveVstTimeInfo", "bypass",
                              "offline", "midiProgramNames", "receiveVstEvent", "receiveVstEventsX",
                              "ReceiveVstEvents", "receiveVstSysexEvent"}) {
        EXPECT_EQ(host.canDo(other), -1) << other;
    }
    EXPECT_EQ(host.canDo(""), -1);
    EXPECT_EQ(host.canDo(std::string(1112, 'r')), -1);
    EXPECT_EQ(host.canDo("receiveVstEvents" + std::string(1096, 's')), -1);
}

TEST_F(PluginRequests, OutputPinsAreLabelledAndStereo) {
    for (std::int32_t pin : {0, 1}) {
        SCOPED_TRACE(pin);
        vst2::VstPinProperties properties;
        std::memset(&properties, 0x5A, sizeof properties);
        properties.arrangementType = 12345;
        EXPECT_EQ(host.dispatch(vst2::effGetOutputProperties, pin, 0, &properties), 1);
        EXPECT_STREQ(properties.label, pin == 0 ? "SORV1" : "SORV2");
        EXPECT_EQ(properties.flags, vst2::kVstPinIsActive | vst2::kVstPinIsStereo);
        EXPECT_EQ(properties.arrangementType, 12345) << "fields the plugin does not fill";
        EXPECT_EQ(properties.shortLabel[0], 0x5A) << "fields the plugin does not fill";
        EXPECT_EQ(properties.future[47], 0x5A);
    }
}

TEST_F(PluginRequests, OtherPinsAnswerZeroAndAreLeftAlone) {
    for (std::int32_t pin : {2, 3, 100, -1, -2, INT_MIN, INT_MAX}) {
        SCOPED_TRACE(pin);
        vst2::VstPinProperties properties;
        std::memset(&properties, 0x5A, sizeof properties);
        EXPECT_EQ(host.dispatch(vst2::effGetOutputProperties, pin, 0, &properties), 0);
        vst2::VstPinProperties untouched;
        std::memset(&untouched, 0x5A, sizeof untouched);
        EXPECT_EQ(std::memcmp(&properties, &untouched, sizeof properties), 0);
    }
    vst2::VstPinProperties input{};
    EXPECT_EQ(host.dispatch(vst2::effGetInputProperties, 0, 0, &input), 0);
}

TEST_F(PluginRequests, FixedAnswers) {
    EXPECT_EQ(host.dispatch(vst2::effOpen), 0);
    EXPECT_EQ(host.dispatch(vst2::effGetVu), 0);
    EXPECT_EQ(host.dispatch(vst2::effString2Parameter, 0, 0, const_cast<char*>("0.5")), 0);
    EXPECT_EQ(host.dispatch(vst2::effConnectInput, 0, 1), 1);
    EXPECT_EQ(host.dispatch(vst2::effConnectOutput, 1, 1), 1);
    EXPECT_EQ(host.dispatch(vst2::effKeysRequired), 0);
    EXPECT_EQ(host.dispatch(vst2::effGetCurrentMidiProgram), -1);
    std::array<unsigned char, 1024> properties{};
    EXPECT_EQ(host.dispatch(vst2::effGetParameterProperties, 0, 0, properties.data()), 0);
    EXPECT_EQ(host.dispatch(vst2::effSetTotalSampleToProcess, 0, 12345), 12345);
    EXPECT_EQ(host.dispatch(vst2::effSetTotalSampleToProcess, 0, 0), 0);
    EXPECT_EQ(host.dispatch(vst2::effSetBlockSizeAndSampleRate, 0, 512, nullptr, 48000.0f), 1);
    EXPECT_EQ(host.dispatch(vst2::effSetSampleRate, 0, 0, nullptr, 48000.0f), 0);
    EXPECT_EQ(host.dispatch(vst2::effSetBlockSize, 0, 256), 0);
    EXPECT_EQ(host.dispatch(vst2::effMainsChanged, 0, 1), 0);
    EXPECT_EQ(host.dispatch(vst2::effMainsChanged, 0, 0), 0);
}

TEST_F(PluginRequests, EveryParameterCanBeAutomated) {
    for (std::int32_t index = 0; index < kParamCount; ++index) {
        EXPECT_EQ(host.dispatch(vst2::effCanBeAutomated, index), 1) << index;
    }
}

TEST_F(PluginRequests, SpeakerArrangementPointersAreCleared) {
    int inputArrangement = 1;
    int outputArrangement = 2;
    void* input = &inputArrangement;
    void* output = &outputArrangement;
    EXPECT_EQ(host.dispatch(vst2::effGetSpeakerArrangement, 0,
                            reinterpret_cast<vst2::intptr>(&input), &output),
              0);
    EXPECT_EQ(input, nullptr);
    EXPECT_EQ(output, nullptr);
}

TEST_F(PluginRequests, EditorRequestsAnswerZeroWithoutEditor) {
    vst2::ERect* rect = nullptr;
    EXPECT_EQ(host.dispatch(vst2::effEditGetRect, 0, 0, &rect), 0);
    EXPECT_EQ(host.dispatch(vst2::effEditOpen), 0);
    EXPECT_EQ(host.dispatch(vst2::effEditIdle), 0);
    EXPECT_EQ(host.dispatch(vst2::effEditKeyDown, 'a', 0), 0);
    EXPECT_EQ(host.dispatch(vst2::effEditKeyUp, 'a', 0), 0);
    EXPECT_EQ(host.dispatch(vst2::effSetEditKnobMode, 0, 2), 0);
    EXPECT_EQ(host.dispatch(vst2::effEditClose), 0);
}

TEST_F(PluginRequests, UnlistedOpcodesAnswerZero) {
    // Every request the instrument does not serve, given a harmless zeroed buffer.
    const std::vector<std::int32_t> unlisted = {
        16, 17, 18, 20, 21,  36,  37,  38,  39,  40, 41, 42,   44,         46,     50, 52,
        53, 54, 55, 62, 64,  65,  66,  67,  68,  70, 71, 72,   74,         75,     76, 77,
        78, 79, 80, 81, 100, 127, 128, 255, 999, -1, -2, -100, 0x7fffffff, INT_MIN};
    for (std::int32_t opcode : unlisted) {
        std::vector<unsigned char> buffer(4096, 0);
        EXPECT_EQ(host.dispatch(opcode, 0, 0, buffer.data()), 0) << "opcode " << opcode;
    }
}

TEST_F(PluginRequests, ResumeAsksForMidi) {
    host.clearCalls();
    host.resume();
    ASSERT_EQ(host.callCount(vst2::audioMasterWantMidi), 1u);
    for (const HostCall& call : host.calls()) {
        if (call.opcode == vst2::audioMasterWantMidi) {
            EXPECT_EQ(call.value, 1);
        }
    }
    host.clearCalls();
    host.suspend();
    EXPECT_EQ(host.callCount(vst2::audioMasterWantMidi), 0u);
}

TEST_F(PluginRequests, HostParameterChangesAreNotReportedBack) {
    host.clearCalls();
    for (std::int32_t index = 0; index < kParamCount; ++index)
        host.setParameter(index, 0.3f);
    EXPECT_EQ(host.callCount(vst2::audioMasterAutomate), 0u);
    EXPECT_EQ(host.callCount(vst2::audioMasterProcessEvents), 0u);
}

class PluginPrograms : public PluginRequests {};

TEST_F(PluginPrograms, StartsOnProgramZeroNamedDefault) {
    EXPECT_EQ(host.program(), 0);
    EXPECT_EQ(host.text(vst2::effGetProgramName), "Default");
    for (std::int32_t slot = 0; slot < 8; ++slot) {
        vst2::intptr answer = 0;
        EXPECT_EQ(host.text(vst2::effGetProgramNameIndexed, slot, &answer), "Default");
        EXPECT_EQ(answer, 1);
    }
}

TEST_F(PluginPrograms, SetProgramIgnoresNumbersOutsideTheBank) {
    host.setProgram(3);
    EXPECT_EQ(host.program(), 3);
    for (vst2::intptr program :
         {vst2::intptr{8}, vst2::intptr{9}, vst2::intptr{-1}, vst2::intptr{1000},
          vst2::intptr{1} << 32, (vst2::intptr{1} << 32) + 3}) {
        host.setProgram(program);
        EXPECT_EQ(host.program(), 3) << program;
    }
    host.setProgram(7);
    EXPECT_EQ(host.program(), 7);
    host.setProgram(0);
    EXPECT_EQ(host.program(), 0);
}

TEST_F(PluginPrograms, SelectingAProgramRestoresItsValues) {
    host.setParameter(kLevel, 0.9f);
    EXPECT_EQ(host.getParameter(kLevel), 0.9f);
    host.setProgram(2);
    EXPECT_EQ(host.getParameter(kLevel), 0.5f);
    host.setParameter(kLevel, 0.9f);
    host.setProgram(2);
    EXPECT_EQ(host.getParameter(kLevel), 0.5f) << "edits are not written back to the slot";
}

TEST_F(PluginPrograms, SelectionAndRenamingUpdateTheHostDisplay) {
    host.clearCalls();
    host.setProgram(4);
    EXPECT_GE(host.callCount(vst2::audioMasterUpdateDisplay), 1u);
    host.clearCalls();
    char name[] = "Choir";
    EXPECT_EQ(host.dispatch(vst2::effSetProgramName, 0, 0, name), 0);
    EXPECT_GE(host.callCount(vst2::audioMasterUpdateDisplay), 1u);
    EXPECT_EQ(host.text(vst2::effGetProgramName), "Choir");
}

// A program name keeps 24 characters; a longer one is cut to them.
TEST_F(PluginPrograms, NamesKeepAtMostTwentyFourCharacters) {
    char name[] = "ABCDEFGHIJKLMNOPQRSTUVWX";
    ASSERT_EQ(std::strlen(name), 24u);
    host.dispatch(vst2::effSetProgramName, 0, 0, name);
    EXPECT_EQ(host.text(vst2::effGetProgramName), name);
    std::string longName(300, 'n');
    longName[0] = 'L';
    host.dispatch(vst2::effSetProgramName, 0, 0, longName.data());
    EXPECT_EQ(host.text(vst2::effGetProgramName), longName.substr(0, 24));
}

TEST_F(PluginPrograms, IndexedNamesOutsideTheBankAnswerZero) {
    for (std::int32_t slot : {8, 9, -1, INT_MIN, INT_MAX}) {
        vst2::intptr answer = 1;
        host.text(vst2::effGetProgramNameIndexed, slot, &answer);
        EXPECT_EQ(answer, 0) << slot;
    }
}

TEST_F(PluginPrograms, CopyProgramWritesTheWorkingProgramIntoASlot) {
    char name[] = "Edited";
    host.dispatch(vst2::effSetProgramName, 0, 0, name);
    host.setParameter(kLevel, 0.25f);
    EXPECT_EQ(host.dispatch(vst2::effCopyProgram, 3), 1);
    EXPECT_EQ(host.text(vst2::effGetProgramNameIndexed, 3), "Edited");
    EXPECT_EQ(host.text(vst2::effGetProgramNameIndexed, 2), "Default");
    host.setProgram(3);
    EXPECT_EQ(host.getParameter(kLevel), 0.25f);
    EXPECT_EQ(host.text(vst2::effGetProgramName), "Edited");
    for (std::int32_t slot : {8, -1, 100, INT_MIN}) {
        EXPECT_EQ(host.dispatch(vst2::effCopyProgram, slot), 0) << slot;
    }
}

}  // namespace
}  // namespace sorvella::test
