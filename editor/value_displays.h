// The value displays above the knobs and what they show: the instrument's display text and label
// of the parameter, or in learn mode the controller assigned to it ("[ 07 ]", "[ --- ]", and
// "[ ??? ]" while it waits for a controller). In learn mode a left click on a display arms MIDI
// learn for its parameter and a right click clears its controller.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>

#include "editor/control_tags.h"
#include "editor/mouse_buttons.h"

namespace sorvella {

class MyVsti;
struct EditorChanges;

// The text of parameter p's display, bounded by size (always terminated when size > 0). Nothing
// for p outside 0..28.
void valueDisplayText(MyVsti& instrument, std::int32_t parameter, bool learnMode, char* out,
                      std::size_t size);

// The learn mode of one editor (the LEARN switch), which survives closing and reopening it.
class LearnMode {
  public:
    bool on() const { return on_; }
    // The LEARN switch's value: it shows the mode whenever the editor opens.
    float switchValue() const { return on_ ? 1.0f : 0.0f; }
    // The switch was turned; every display changes its text. Leaving learn mode stores the
    // controller map. Answers the displays to redraw.
    std::bitset<tags::kCount> setOn(MyVsti& instrument, bool on);
    // A click on the display with `tag`; answers the displays to redraw. Out of learn mode, on a
    // tag that is not a display, or with any other buttons, nothing happens.
    std::bitset<tags::kCount> clickDisplay(MyVsti& instrument, std::int32_t tag,
                                           MouseButtons buttons) const;
    // At idle: after MIDI learn completed on the audio thread (or a controller was cleared) the
    // controller texts changed, the "[ ??? ]" one included.
    std::bitset<tags::kCount> displaysToRedraw(const EditorChanges& changes) const;

  private:
    bool on_ = false;
};

// Every value display's tag set.
std::bitset<tags::kCount> allValueDisplays();

}  // namespace sorvella
