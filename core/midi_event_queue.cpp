#include "core/midi_event_queue.h"

namespace sorvella {

void MidiEventQueue::append(const vst2::VstEvents& list) {
    const std::int32_t n = list.numEvents;
    for (std::int32_t i = 0; i < n; ++i) {
        const vst2::VstEvent* e = list.events[i];
        if (!e || e->type != vst2::kVstMidiType) continue;
        const auto* midi = reinterpret_cast<const vst2::VstMidiEvent*>(e);
        push(midi->deltaFrames, static_cast<std::uint8_t>(midi->midiData[0]),
             static_cast<std::uint8_t>(midi->midiData[1]),
             static_cast<std::uint8_t>(midi->midiData[2]));
    }
}

void MidiEventQueue::push(std::int32_t deltaFrames, std::uint8_t status, std::uint8_t data1,
                          std::uint8_t data2) {
    MidiEvent event;
    event.deltaFrames = deltaFrames < 0 ? 0 : deltaFrames;
    event.data[0] = status;
    event.data[1] = data1;
    event.data[2] = data2;
    insertSorted(event);
}

void MidiEventQueue::insertSorted(const MidiEvent& event) {
    if (count_ >= kCapacity) {
        // A full queue first gives up what was already handled.
        if (read_ == 0) return;
        finishBlock(0);
    }
    // Hosts send their lists in time order, so this normally appends at the end.
    std::int32_t i = count_;
    while (i > read_ && events_[static_cast<std::size_t>(i - 1)].deltaFrames > event.deltaFrames) {
        events_[static_cast<std::size_t>(i)] = events_[static_cast<std::size_t>(i - 1)];
        --i;
    }
    events_[static_cast<std::size_t>(i)] = event;
    ++count_;
}

void MidiEventQueue::finishBlock(std::int32_t) {
    std::int32_t out = 0;
    for (std::int32_t i = read_; i < count_; ++i) {
        // Whatever lay beyond the block is handled as the next block starts.
        MidiEvent e = events_[static_cast<std::size_t>(i)];
        e.deltaFrames = 0;
        events_[static_cast<std::size_t>(out++)] = e;
    }
    count_ = out;
    read_ = 0;
}

}  // namespace sorvella
