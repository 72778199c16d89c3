// MIDI input timing and filtering, the double-buffered lists, and what leaves the output port.
#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

#include "platform/vst2/midi_message.h"
#include "standalone/device_setup.h"
#include "standalone/midi_ports.h"
#include "tests/standalone/sent_messages.h"

namespace sorvella {
namespace {

TEST(MidiTiming, OffsetsFromArrivalAndListStart) {
    struct Case {
        std::int64_t arrival;
        std::int64_t start;
        std::int32_t samplesPerMs;
        std::int32_t block;
        std::int32_t offset;
    };
    const Case cases[] = {
        {1000, 1000, 44, 2205, 1},     // at the list's start: frame 1, never 0
        {1010, 1000, 44, 2205, 440},   // 10 ms at 44100 Hz
        {990, 1000, 44, 2205, 1},      // before the list's start
        {1050, 1000, 44, 2200, 2199},  // exactly the block's length: its last frame
        {1051, 1000, 44, 2205, 2204},  // beyond it
        {1000 + (std::int64_t{1} << 40), 1000, 96, 64, 63},  // no 32-bit wrap
        {1005, 1000, 44, 1, 0},                              // a one-frame block has only frame 0
    };
    for (const Case& c : cases) {
        EXPECT_EQ(midiEventOffset(c.arrival, c.start, c.samplesPerMs, c.block), c.offset)
            << c.arrival - c.start << " ms";
    }
}

TEST(MidiInput, ChannelFilterAndAcceptedKinds) {
    struct Case {
        std::uint8_t status;
        std::int32_t channel;
        bool accepted;
    };
    const Case cases[] = {
        {0x90, 0, true},
        {0x91, 0, false},
        {0x91, kAllChannels, true},
        {0x8F, 15, true},
        {0xB3, 3, true},
        {0xC0, 0, true},
        {0xE0, 0, true},
        {0xA0, 0, false},
        {0xD0, 0, false},
        {0xF0, kAllChannels, false},
        {0xF8, kAllChannels, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(acceptedMidiInput(c.status, c.channel), c.accepted)
            << std::hex << int{c.status} << " on " << c.channel;
    }
}

// A list's pointers run past the two its declaration shows.
const vst2::VstMidiEvent& eventAt(vst2::VstEvents* list, int i) {
    auto* slots = reinterpret_cast<vst2::VstEvent**>(reinterpret_cast<char*>(list) +
                                                     offsetof(vst2::VstEvents, events));
    return *reinterpret_cast<const vst2::VstMidiEvent*>(slots[i]);
}

TEST(MidiInput, ListsAlternateAndHoldWhatArrived) {
    MidiInputLists lists(kAllChannels, 44100, 2205);
    lists.swapLists(5000);
    const std::uint8_t noteOn[] = {0x90, 60, 100};
    const std::uint8_t program[] = {0xC2, 0x85};  // data byte with its top bit set
    const std::uint8_t truncated[] = {0x90, 61};
    const std::uint8_t pressure[] = {0xD0, 50};
    lists.receive(noteOn, 3, 5010);
    lists.receive(program, 2, 5020);
    lists.receive(truncated, 2, 5020);
    lists.receive(pressure, 2, 5020);

    vst2::VstEvents* first = lists.currentList();
    ASSERT_EQ(first->numEvents, 2);
    EXPECT_EQ(first->reserved, 5000);
    const vst2::VstMidiEvent& a = eventAt(first, 0);
    EXPECT_EQ(a.deltaFrames, 440);
    EXPECT_EQ(std::uint8_t(a.midiData[0]), 0x90);
    EXPECT_EQ(a.midiData[1], 60);
    EXPECT_EQ(a.midiData[2], 100);
    EXPECT_EQ(std::uint8_t(eventAt(first, 1).midiData[0]), 0xC2);
    EXPECT_EQ(eventAt(first, 1).midiData[1], 5);
    EXPECT_EQ(eventAt(first, 1).midiData[2], 0);

    lists.swapLists(5050);
    vst2::VstEvents* second = lists.currentList();
    EXPECT_EQ(second->numEvents, 0);
    EXPECT_EQ(second->reserved, 5050);
    EXPECT_EQ(first->numEvents, 2) << "the handed-over list stays as it was";
}

TEST(MidiInput, AFullListKeepsItsEarliestEvents) {
    MidiInputLists lists(kAllChannels, 44100, 512);
    lists.swapLists(0);
    for (int i = 0; i < MidiInputLists::kCapacity + 10; ++i) {
        const std::uint8_t message[] = {0xB0, 7, static_cast<std::uint8_t>(i & 0x7F)};
        lists.receive(message, 3, 1);
    }
    vst2::VstEvents* list = lists.currentList();
    ASSERT_EQ(list->numEvents, MidiInputLists::kCapacity);
    EXPECT_EQ(eventAt(list, 0).midiData[2], 0);
    EXPECT_EQ(eventAt(list, 100).midiData[2], 100);
}

TEST(MidiOutput, InstrumentControllersLeaveOnTheOutputChannel) {
    std::vector<std::vector<std::uint8_t>> sent;
    MidiPortsSetup setup;
    setup.outputChannel = 5;
    MidiPorts ports(setup, std::make_unique<SentMessages>(sent));

    ports.sendInstrumentEvents(nullptr);
    vst2::VstEvents empty{};
    ports.sendInstrumentEvents(&empty);
    vst2::VstEvent sysex{};
    sysex.type = vst2::kVstSysExType;
    vst2::VstEvents sysexList{1, 0, {&sysex, nullptr}};
    ports.sendInstrumentEvents(&sysexList);
    vst2::VstEvents nullFirst{1, 0, {nullptr, nullptr}};
    ports.sendInstrumentEvents(&nullFirst);
    EXPECT_TRUE(sent.empty());

    // Only the data bytes of the first event are used: a note-on leaves as a control change.
    vst2::OneEventList note(vst2::midiMessage(0, 0x90, 37, 99));
    ports.sendInstrumentEvents(&note.list);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], (std::vector<std::uint8_t>{0xB5, 37, 99}));

    sent.clear();
    ports.reset();
    ASSERT_EQ(sent.size(), 16u);
    for (std::uint8_t c = 0; c < 16; ++c)
        EXPECT_EQ(sent[c], (std::vector<std::uint8_t>{std::uint8_t(0xB0 | c), 123, 0}));
}

}  // namespace
}  // namespace sorvella
