#include <gtest/gtest.h>

#include <cmath>

#include "core/controller_map.h"
#include "core/midi_event_queue.h"
#include "support/test_host.h"

namespace sorvella {
namespace {

using testing::HostRecorder;
using testing::makeInstrument;
using testing::render;
using testing::sendMidi;

class MidiTest : public ::testing::Test {
  protected:
    void SetUp() override { controllerMap().resetToTable(); }
    void TearDown() override { controllerMap().resetToTable(); }

    void play(std::int32_t frames = 64) {
        std::vector<float> l, r;
        render(*vsti, l, r, frames);
    }

    HostRecorder host;
    std::unique_ptr<MyVsti> vsti = makeInstrument();
};

TEST_F(MidiTest, LearningAControllerMovesItsParameter) {
    vsti->armLearn(kMix1);
    char text[16];
    vsti->controllerText(kMix1, text);
    EXPECT_STREQ(text, "[ ??? ]");
    sendMidi(*vsti, 0, 0xB0, 20, 5);  // assigned, no further effect
    play();
    EXPECT_EQ(vsti->getParameter(kMix1), 0.68f);
    EXPECT_EQ(vsti->learnParameter(), kNoLearn);
    vsti->controllerText(kMix1, text);
    EXPECT_STREQ(text, "[ 20 ]");
    sendMidi(*vsti, 0, 0xB0, 20, 127);
    play();
    EXPECT_EQ(vsti->getParameter(kMix1), 1.0f);

    vsti->armLearn(kMix1);
    sendMidi(*vsti, 0, 0xB0, 21, 0);
    play();
    EXPECT_EQ(controllerMap().targetOf(20), kNoController);
    EXPECT_EQ(controllerMap().targetOf(21), kMix1);
    vsti->controllerText(kVoices, text);
    EXPECT_STREQ(text, "[ --- ]");
}

TEST_F(MidiTest, TheControllerMapSurvivesInTheSettings) {
    controllerMap().assign(kMix2, 22);
    vsti->saveControllerMap();
    std::optional<std::string> stored = vsti->settings().getText("midicfg");
    ASSERT_TRUE(stored);
    ASSERT_EQ(stored->size(), 58u);
    EXPECT_EQ(stored->substr(0, 4), "FF07");
    EXPECT_EQ(stored->substr(2 * kMix2, 2), "16");
    ControllerMap loaded;
    loaded.load(stored);
    EXPECT_EQ(loaded.targetOf(22), kMix2);
    EXPECT_EQ(loaded.controllerOf(kMix2), 22);
    vsti->settings().setText("midicfg", std::nullopt);
}

TEST_F(MidiTest, MalformedStoredMapsKeepTheTable) {
    ControllerMap map;
    map.load(std::string("FF07"));  // short
    EXPECT_EQ(map.targetOf(7), kLevel);
    map.load(std::string(58, 'Z'));  // not hexadecimal
    EXPECT_EQ(map.targetOf(43), kOsc2Fm);
    std::string high(58, 'F');
    high.replace(2, 2, "C8");  // controller 200 for "Level"
    map.load(high);
    EXPECT_EQ(map.controllerOf(kLevel), kNoController);
    for (std::int32_t c = 0; c < 128; ++c)
        EXPECT_EQ(map.targetOf(c), kNoController);
    EXPECT_EQ(map.targetOf(200), kNoController);
    EXPECT_EQ(map.targetOf(-1), kNoController);
}

TEST_F(MidiTest, MidiOutSendsControllersInsteadOfAutomation) {
    vsti->setMidiOut(true);
    vsti->setParameterAutomated(kLevel, 0.5f);
    ASSERT_EQ(host.count(vst2::audioMasterProcessEvents), 1);
    EXPECT_EQ(host.count(vst2::audioMasterAutomate), 0);
    const testing::HostCall& sent = host.calls.back();
    EXPECT_EQ(sent.midi[0], 0xB0);
    EXPECT_EQ(sent.midi[1], 7);
    EXPECT_EQ(sent.midi[2], 63);
    vsti->setParameterAutomated(kVoices, 0.5f);  // no controller: nothing sent
    EXPECT_EQ(host.count(vst2::audioMasterProcessEvents), 1);
    EXPECT_EQ(vsti->settings().getInt("MidiOut", 0), 1);
    vsti->setMidiOut(false);
    vsti->setParameterAutomated(kLevel, 0.25f);
    EXPECT_EQ(host.count(vst2::audioMasterAutomate), 1);
}

TEST(MidiEventQueue, KeepsEventsInTimeOrderAndCarriesLateOnes) {
    MidiEventQueue q;
    q.push(100, 0x90, 60, 1);
    q.push(5, 0x90, 61, 1);
    q.push(5, 0x90, 62, 1);
    EXPECT_FALSE(q.hasDue(4));
    ASSERT_TRUE(q.hasDue(5));
    EXPECT_EQ(q.take().data[1], 61);
    EXPECT_EQ(q.take().data[1], 62);
    EXPECT_EQ(q.nextTime(64), 64);
    q.finishBlock(64);
    EXPECT_EQ(q.size(), 1);
    EXPECT_EQ(q.nextTime(64), 0);
}

}  // namespace
}  // namespace sorvella
