// An in-process host for instrument tests: a host callback that records what the instrument
// asks of its host, and an error presenter that records the boxes it would show.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/my_vsti.h"
#include "platform/error_box.h"

namespace sorvella::testing {

struct HostCall {
    std::int32_t opcode;
    std::uint8_t midi[3];  // for audioMasterProcessEvents: the first event's bytes
};

// Records every callback; one recorder serves the instruments built while it lives.
class HostRecorder {
  public:
    HostRecorder();
    ~HostRecorder();

    static vst2::intptr callback(vst2::AEffect* effect, std::int32_t opcode, std::int32_t index,
                                 vst2::intptr value, void* ptr, float opt);
    std::vector<HostCall> calls;
    std::int32_t count(std::int32_t opcode) const;
    void clear() { calls.clear(); }
};

// Captures error boxes instead of printing them.
class CapturedBoxes {
  public:
    CapturedBoxes();
    ~CapturedBoxes();
    std::vector<ErrorBox> boxes;

  private:
    ErrorPresenter previous_;
};

std::unique_ptr<MyVsti> makeInstrument();

// Renders frames with processReplacing into left and right.
void render(MyVsti& instrument, std::vector<float>& left, std::vector<float>& right,
            std::int32_t frames, std::int32_t block = 512);
void sendMidi(MyVsti& instrument, std::int32_t delta, std::uint8_t status, std::uint8_t d1,
              std::uint8_t d2);
std::string display(MyVsti& instrument, std::int32_t index);

}  // namespace sorvella::testing
