// The hand-over between the threads that change what the editor shows and the window's thread
// that draws it. Parameter values, program names, program-button states, the sample rate and
// controller-map changes arrive on host threads and on the audio thread (MIDI controllers,
// program changes, MIDI learn). Those threads only record them here: atomic stores and dirty
// bits, no allocation, no lock, no X call. The window's thread collects them at idle and redraws.
#pragma once

#include <array>
#include <atomic>
#include <bitset>
#include <cstdint>

#include "core/program.h"
#include "editor/control_tags.h"

namespace sorvella {

class MyVsti;

// What changed since the last collection.
struct EditorChanges {
    std::bitset<tags::kCount> dirty;  // controls to set to values[tag] and redraw
    std::array<float, tags::kCount> values{};
    bool programNameChanged = false;
    char programName[kProgramNameMax + 1] = {};
    bool sampleRateChanged = false;
    float sampleRate = 0.0f;
    bool controllerMapChanged = false;  // learn completed or a controller was cleared
    bool redrawAll = false;

    bool any() const {
        return dirty.any() || programNameChanged || sampleRateChanged || controllerMapChanged ||
               redrawAll;
    }
};

class EditorMailbox {
  public:
    EditorMailbox();

    // Writing side: any thread, any number of threads at once; wait-free except the name, whose
    // writer looks for a slot no other writer is filling and retries publishing while others do.

    // The instrument's setParameter: the kept value of parameter `index` (or, for 29 and above,
    // the value given for that control). Records the control's value, the display's value (value
    // x 127; the voice count for "Voices"), and the vowel menu entry for a vowel parameter.
    // Indices outside 0..95 are ignored.
    void showParameter(std::int32_t index, float value);
    // One control's value; tags outside 0..95 are ignored.
    void post(std::int32_t tag, float value);
    // Redraws a control without a value of its own (the envelope editor).
    void touch(std::int32_t tag);
    // Keeps the first 24 characters; a null name reads as empty.
    void showProgramName(const char* name);
    // Lights the button of `program` (0..7) and puts the others out; the envelope editor and the
    // whole window redraw. A program outside 0..7 puts every button out.
    void refreshProgramButtons(std::int32_t program);
    // Kept even while the editor is closed, so the formant editor starts from the current rate.
    void sampleRateChanged(float rate);
    void controllerMapChanged();

    // Window's thread. Recording starts when the editor opens and stops when it closes, so that a
    // closed editor only keeps the sample rate; opening forgets whatever was recorded before.
    void setOpen(bool open);
    bool isOpen() const { return open_.load(std::memory_order_acquire); }
    // Takes everything recorded since the previous call.
    void collect(EditorChanges& out);

  private:
    static constexpr std::size_t kWords = (tags::kCount + 63) / 64;
    static constexpr std::size_t kNameSlots = 4;
    static constexpr std::uint32_t kMapChangedBit = 1;
    static constexpr std::uint32_t kRedrawAllBit = 2;
    static constexpr std::uint32_t kRateBit = 4;

    // One writer at a time fills a slot: its sequence is odd meanwhile and rises by two each time.
    struct NameSlot {
        std::atomic<std::uint64_t> sequence{0};
        std::atomic<std::uint64_t> ticket{0};  // of the name it holds
        std::array<std::atomic<char>, kProgramNameMax + 1> text{};
    };

    void markDirty(std::int32_t tag);
    bool readName(char* out);

    std::atomic<bool> open_{false};
    std::array<std::atomic<float>, tags::kCount> values_;
    std::array<std::atomic<std::uint64_t>, kWords> dirty_{};
    std::atomic<std::uint32_t> flags_{0};
    std::atomic<float> sampleRate_{0.0f};
    std::atomic<std::uint64_t> nextSlot_{0};
    std::atomic<std::uint64_t> nextTicket_{0};
    std::atomic<std::uint64_t> latestName_{0};  // ticket x kNameSlots + slot of the newest name
    std::array<NameSlot, kNameSlots> names_;
};

// The threads that change a parameter tell the editor after releasing the audio lock, so two of
// them changing one parameter may tell it in the opposite order. After collecting, the window's
// thread therefore takes the kept value of every parameter whose control, display or menu is
// dirty from the instrument, under the audio lock, and shows that.
void takeKeptValues(MyVsti& instrument, EditorChanges& changes);

}  // namespace sorvella
