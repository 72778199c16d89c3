// The MIDI input and output ports (RtMidi: the ALSA sequencer and JACK). The input port's
// callback fills the double-buffered lists; the output port passes the instrument's controllers
// on. Ports are listed as one list over every MIDI system compiled in, "API: port".
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/vst2/aeffect.h"
#include "standalone/midi_input_lists.h"

namespace sorvella {

enum class MidiDirection { kInput, kOutput };

struct MidiPortInfo {
    int api = 0;          // RtMidi::Api
    unsigned number = 0;  // the port's number within its API
    std::string name;     // as the API names it; empty when it could not be read
    std::string label;    // "ALSA: name", or "ALSA: (port n)" when the name could not be read
};

// A port whose name cannot be read is listed all the same, so that the indexes after it still
// name the ports the user chose.
std::string midiPortLabel(const std::string& apiName, const std::string& portName, unsigned number);
std::vector<MidiPortInfo> listMidiPorts(MidiDirection direction);

// Where output messages go: an RtMidi port, or a recorder in tests.
class MidiSender {
  public:
    virtual ~MidiSender() = default;
    virtual void send(const std::uint8_t* message, std::size_t size) = 0;
};

struct MidiPortsSetup {
    std::int32_t input = 0;          // index into listMidiPorts(kInput); out of range: no port
    std::int32_t output = 0;         // index into listMidiPorts(kOutput)
    std::int32_t inputChannel = 0;   // 0..15 or kAllChannels
    std::int32_t outputChannel = 0;  // 0..15 or kNoChannel
    std::int32_t sampleRate = 44100;
    std::int32_t blockFrames = 0;
};

// The input side meets the audio thread under the lists' lock. The output port is used on the
// main thread alone (the instrument sends controllers from its editor), so sending never holds
// a lock the audio thread waits for.
class MidiPorts {
  public:
    // Opens the chosen ports. An input port that cannot be opened is left closed without a
    // message; an output port that cannot be opened shows "midiOutOpen failed".
    static std::unique_ptr<MidiPorts> open(const MidiPortsSetup& setup);

    // Ports given by the caller (tests): input arrives through lists().receive.
    MidiPorts(const MidiPortsSetup& setup, std::unique_ptr<MidiSender> output);
    ~MidiPorts();
    MidiPorts(const MidiPorts&) = delete;
    MidiPorts& operator=(const MidiPorts&) = delete;

    MidiInputLists& lists() { return lists_; }
    bool hasInput() const { return input_ != nullptr; }
    bool hasOutput() const { return output_ != nullptr; }

    // A control change on the output channel; nothing when no channel or no port is set.
    void sendOutputController(std::uint8_t data1, std::uint8_t data2);
    // The instrument's MIDI output: the data bytes of the first event, as a control change.
    // Lists that are null, empty or start with something else than a MIDI event send nothing.
    void sendInstrumentEvents(const vst2::VstEvents* events);
    // "All notes off" (controller 123) on all 16 channels of the output port.
    void reset();
    // Program end: the input stops delivering, the output is reset.
    void stop();
    // Closes both ports; the input callback has returned for good when this returns.
    void close();

  private:
    class InputPort;

    MidiInputLists lists_;
    std::int32_t outputChannel_;
    std::unique_ptr<InputPort> input_;
    std::unique_ptr<MidiSender> output_;
};

}  // namespace sorvella
