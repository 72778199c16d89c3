// The mouse buttons and modifier keys held during a press or a poll, as the editor's models take
// them from the toolkit.
#pragma once

namespace sorvella {

struct MouseButtons {
    bool left = false;
    bool right = false;
    bool shift = false;
    bool control = false;
    bool alt = false;

    bool onlyLeft() const { return left && !right && !shift && !control && !alt; }
    bool onlyRight() const { return right && !left && !shift && !control && !alt; }
    bool operator==(const MouseButtons&) const = default;
};

}  // namespace sorvella
