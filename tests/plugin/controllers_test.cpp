// MIDI controllers and program changes arriving with the host's events: which parameter each
// controller moves, the step controllers, pan, and that none of it is reported back to the host.
#include <gtest/gtest.h>

#include <array>
#include <tuple>
#include <vector>

#include "tests/plugin/plugin_fixture.h"
#include "tests/plugin/signal_analysis.h"
#include "tests/plugin/test_host.h"

namespace sorvella::test {
namespace {

// The value a controller sets: data·(1/127) in single precision.
float controllerValue(int data) {
    return static_cast<float>(data) * 0.007874015718698502f;
}

class PluginControllers : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(openStarted(host)); }

    // Hands the events over and renders one block, in which they take effect.
    void send(const std::vector<vst2::VstMidiEvent>& events) {
        host.sendEvents(events);
        host.process(64);
    }

    std::array<float, kParamCount> values() {
        std::array<float, kParamCount> result{};
        for (std::int32_t i = 0; i < kParamCount; ++i)
            result[i] = host.getParameter(i);
        return result;
    }

    TestHost host;
};

TEST_F(PluginControllers, ControllersOfTheDefaultMapMoveTheirParameter) {
    const std::vector<std::pair<int, Param>> map = {
        {7, kLevel}, {48, kVelBreath}, {59, kReverbMix}, {36, kVowel2Morph}, {43, kOsc2Fm}};
    for (int data : {90, 0}) {
        for (const auto& [controller, parameter] : map) {
            send({controlChange(controller, data, 0, controller % 16)});  // any channel
            EXPECT_EQ(host.getParameter(parameter), controllerValue(data))
                << "controller " << controller;
        }
    }
    EXPECT_EQ(host.getParameter(kMix1), 0.68f) << "43 moves Osc2 FM, not Mix1";
    send({controlChange(40, 127), controlChange(41, 20)});
    EXPECT_EQ(host.parameterDisplay(kOsc1Shape), "8");
    EXPECT_EQ(host.parameterDisplay(kOsc2Shape), "2");
    send({midiEvent(0xB0, 7 | 0x80, 100 | 0x80)});  // data bytes are masked to seven bits
    EXPECT_EQ(host.getParameter(kLevel), controllerValue(100));

    // Controllers without a parameter, their steps and messages the instrument ignores.
    const std::array<float, kParamCount> before = values();
    for (int controller : {0, 1, 11, 32, 65, 127})
        send({controlChange(controller, 99)});
    for (int target : {0, 1, 96, 97, 127})
        send({controlChange(96, target), controlChange(97, target)});
    host.sendEvents({midiEvent(0xA0, 60, 100), midiEvent(0xD0, 100, 0), midiEvent(0xF0, 0x7E, 1),
                     midiEvent(0xF8, 0, 0), midiEvent(0xFF, 0xFF, 0xFF), midiEvent(0x45, 60, 100),
                     midiEvent(0x00, 0, 0)});
    EXPECT_LT(peak(host.process(4096)), 1e-9f);
    EXPECT_EQ(values(), before);
    EXPECT_EQ(host.program(), 0);
}

// Neither controllers nor their steps are reported back to the host.
TEST_F(PluginControllers, StepsMoveTheNamedControllersParameterAndStopAtTheEnds) {
    host.clearCalls();
    for (auto [step, first, last] : {std::tuple{96, 0.5078125f, 1.0f}, {97, 0.4921875f, 0.0f}}) {
        host.setParameter(kLevel, 0.5f);
        send({controlChange(step, 7)});
        EXPECT_EQ(host.getParameter(kLevel), first) << step;
        for (int i = 0; i < 80; ++i)
            send({controlChange(step, 7)});
        EXPECT_EQ(host.getParameter(kLevel), last) << step;
    }
    send({controlChange(96, 43), controlChange(96, 40)});
    EXPECT_EQ(host.getParameter(kOsc2Fm), 0.0078125f);
    EXPECT_EQ(host.parameterDisplay(kOsc1Shape), "2");
    send({controlChange(7, 10), controlChange(10, 0), controlChange(64, 127)});
    EXPECT_EQ(host.callCount(vst2::audioMasterAutomate), 0u);
    EXPECT_EQ(host.callCount(vst2::audioMasterProcessEvents), 0u);
}

TEST_F(PluginControllers, ProgramChangeSelectsAProgramOfTheBank) {
    host.setParameter(kLevel, 0.9f);
    send({programChange(3)});
    EXPECT_EQ(host.program(), 3);
    EXPECT_EQ(host.getParameter(kLevel), 0.5f);
    host.setParameter(kLevel, 0.9f);
    for (int program : {9, 8, 127}) {
        send({programChange(program)});
        EXPECT_EQ(host.program(), 3) << program;
    }
    EXPECT_EQ(host.getParameter(kLevel), 0.9f);
    send({programChange(0, 0, 9)});
    EXPECT_EQ(host.program(), 0);
}

// With the reverb silent both channels carry the same signal before the pan law: hard left
// silences the right, the centre is a fifth of a decibel louder on the right.
TEST_F(PluginControllers, PanSplitsOneSignal) {
    voicesOnly(host);
    for (auto [pan, lowest, highest] : {std::tuple{0, 0.0, 0.0}, {64, 1.015, 1.03}}) {
        host.sendEvents({controlChange(10, pan), noteOn(60, 100)});
        const Stereo out = host.play({}, frames(0.5));
        host.sendEvents({controlChange(123, 0)});
        host.play({}, frames(1.0));
        ASSERT_GT(peak(out.left), 1e-3f);
        const double ratio = peak(out.right) / peak(out.left);
        EXPECT_GE(ratio, lowest) << pan;
        EXPECT_LE(ratio, highest) << pan;
    }
}

}  // namespace
}  // namespace sorvella::test
