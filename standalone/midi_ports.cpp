#include "standalone/midi_ports.h"

#include <rtmidi/RtMidi.h>

#include <exception>

#include "platform/error_box.h"
#include "standalone/device_setup.h"

namespace sorvella {

namespace {

constexpr const char* kClientName = "Sorvella";
constexpr std::uint8_t kAllNotesOff = 123;

std::string apiName(RtMidi::Api api) {
    switch (api) {
        case RtMidi::LINUX_ALSA:
            return "ALSA";
        case RtMidi::UNIX_JACK:
            return "JACK";
        default:
            return RtMidi::getApiDisplayName(api);
    }
}

std::vector<RtMidi::Api> midiApis() {
    std::vector<RtMidi::Api> apis;
    RtMidi::getCompiledApi(apis);
    std::erase(apis, RtMidi::RTMIDI_DUMMY);
    return apis;
}

template <typename Port>
std::unique_ptr<Port> makePort(RtMidi::Api api) {
    try {
        auto port = std::make_unique<Port>(api, kClientName);
        // Errors after construction come back as exceptions of the calls we make; warnings
        // (a port that vanished while listing) are not worth a line on the terminal.
        port->setErrorCallback([](RtMidiError::Type, const std::string&, void*) {});
        return port;
    } catch (const std::exception&) {
        return nullptr;
    }
}

template <typename Port>
void appendPorts(RtMidi::Api api, std::vector<MidiPortInfo>& out) {
    std::unique_ptr<Port> port = makePort<Port>(api);
    if (!port) return;
    unsigned count = 0;
    try {
        count = port->getPortCount();
    } catch (const std::exception&) {
        return;
    }
    for (unsigned n = 0; n < count; ++n) {
        MidiPortInfo info;
        info.api = api;
        info.number = n;
        try {
            info.name = port->getPortName(n);
        } catch (const std::exception&) {
            info.name.clear();
        }
        info.label = midiPortLabel(apiName(api), info.name, n);
        out.push_back(std::move(info));
    }
}

// The port's number now: the one listed, unless the ports moved since and it moved with them.
template <typename Port>
std::optional<unsigned> findPort(Port& port, const MidiPortInfo& info) {
    const unsigned count = port.getPortCount();
    if (info.name.empty()) {
        if (info.number < count) return info.number;
        return std::nullopt;
    }
    if (info.number < count && port.getPortName(info.number) == info.name) return info.number;
    for (unsigned n = 0; n < count; ++n) {
        if (port.getPortName(n) == info.name) return n;
    }
    return std::nullopt;
}

class RtMidiSender final : public MidiSender {
  public:
    explicit RtMidiSender(std::unique_ptr<RtMidiOut> port) : port_(std::move(port)) {}
    ~RtMidiSender() override {
        try {
            port_->closePort();
        } catch (const std::exception&) {
        }
    }
    void send(const std::uint8_t* message, std::size_t size) override {
        try {
            port_->sendMessage(message, size);
        } catch (const std::exception&) {
        }
    }

  private:
    std::unique_ptr<RtMidiOut> port_;
};

std::unique_ptr<MidiSender> openOutput(const MidiPortInfo& info) {
    std::unique_ptr<RtMidiOut> port = makePort<RtMidiOut>(static_cast<RtMidi::Api>(info.api));
    if (!port) return nullptr;
    try {
        const std::optional<unsigned> number = findPort(*port, info);
        if (!number) return nullptr;
        port->openPort(*number, "Sorvella MIDI Out");
        if (!port->isPortOpen()) return nullptr;
    } catch (const std::exception&) {
        return nullptr;
    }
    return std::make_unique<RtMidiSender>(std::move(port));
}

std::optional<MidiPortInfo> listed(MidiDirection direction, std::int32_t index) {
    if (index < 0) return std::nullopt;
    std::vector<MidiPortInfo> ports = listMidiPorts(direction);
    const std::optional<std::size_t> at = checkedMidiPort(index, ports.size());
    if (!at) return std::nullopt;
    return ports[*at];
}

}  // namespace

std::string midiPortLabel(const std::string& apiName, const std::string& portName,
                          unsigned number) {
    if (portName.empty()) return apiName + ": (port " + std::to_string(number) + ")";
    return apiName + ": " + portName;
}

std::vector<MidiPortInfo> listMidiPorts(MidiDirection direction) {
    std::vector<MidiPortInfo> ports;
    for (RtMidi::Api api : midiApis()) {
        if (direction == MidiDirection::kInput) {
            appendPorts<RtMidiIn>(api, ports);
        } else {
            appendPorts<RtMidiOut>(api, ports);
        }
    }
    return ports;
}

// The input port: RtMidi calls back on its own thread with each whole message.
class MidiPorts::InputPort {
  public:
    InputPort(std::unique_ptr<RtMidiIn> port, MidiInputLists& lists)
        : port_(std::move(port)), lists_(lists) {}
    ~InputPort() { stop(); }

    static std::unique_ptr<InputPort> open(const MidiPortInfo& info, MidiInputLists& lists) {
        std::unique_ptr<RtMidiIn> port = makePort<RtMidiIn>(static_cast<RtMidi::Api>(info.api));
        if (!port) return nullptr;
        auto input = std::make_unique<InputPort>(std::move(port), lists);
        try {
            const std::optional<unsigned> number = findPort(*input->port_, info);
            if (!number) return nullptr;
            // System exclusive, timing and active sensing never reach the callback.
            input->port_->ignoreTypes(true, true, true);
            input->port_->setCallback(&InputPort::onMessage, input.get());
            input->port_->openPort(*number, "Sorvella MIDI In");
            if (!input->port_->isPortOpen()) return nullptr;
        } catch (const std::exception&) {
            return nullptr;
        }
        return input;
    }

    // Closing the port ends RtMidi's input thread (ALSA) or deactivates its client (JACK), so no
    // callback runs after this.
    void stop() {
        if (!port_) return;
        try {
            port_->closePort();
            port_->cancelCallback();
        } catch (const std::exception&) {
        }
        port_.reset();
    }

  private:
    static void onMessage(double, std::vector<unsigned char>* message, void* context) {
        const std::int64_t arrival = midiClockMilliseconds();
        if (!message || !context) return;
        static_cast<InputPort*>(context)->lists_.receive(message->data(), message->size(), arrival);
    }

    std::unique_ptr<RtMidiIn> port_;
    MidiInputLists& lists_;
};

std::unique_ptr<MidiPorts> MidiPorts::open(const MidiPortsSetup& setup) {
    std::unique_ptr<MidiSender> output;
    if (setup.outputChannel != kNoChannel) {
        if (std::optional<MidiPortInfo> info = listed(MidiDirection::kOutput, setup.output)) {
            output = openOutput(*info);
            if (!output) showMessageBox("Error", "midiOutOpen failed", 0);
        }
    }
    auto ports = std::make_unique<MidiPorts>(setup, std::move(output));
    if (std::optional<MidiPortInfo> info = listed(MidiDirection::kInput, setup.input)) {
        ports->input_ = InputPort::open(*info, ports->lists_);
    }
    return ports;
}

MidiPorts::MidiPorts(const MidiPortsSetup& setup, std::unique_ptr<MidiSender> output)
    : lists_(checkedInputChannel(setup.inputChannel), setup.sampleRate, setup.blockFrames),
      outputChannel_(checkedOutputChannel(setup.outputChannel)),
      output_(std::move(output)) {
    lists_.swapLists(midiClockMilliseconds());
}

MidiPorts::~MidiPorts() {
    close();
}

void MidiPorts::sendOutputController(std::uint8_t data1, std::uint8_t data2) {
    if (outputChannel_ == kNoChannel || !output_) return;
    const std::uint8_t message[3] = {static_cast<std::uint8_t>(0xB0 | outputChannel_),
                                     static_cast<std::uint8_t>(data1 & 0x7F),
                                     static_cast<std::uint8_t>(data2 & 0x7F)};
    output_->send(message, sizeof message);
}

void MidiPorts::sendInstrumentEvents(const vst2::VstEvents* events) {
    if (!events || events->numEvents < 1 || !events->events[0]) return;
    const vst2::VstEvent* first = events->events[0];
    if (first->type != vst2::kVstMidiType) return;
    const auto* midi = reinterpret_cast<const vst2::VstMidiEvent*>(first);
    sendOutputController(static_cast<std::uint8_t>(midi->midiData[1]),
                         static_cast<std::uint8_t>(midi->midiData[2]));
}

void MidiPorts::reset() {
    if (!output_) return;
    for (std::uint8_t channel = 0; channel < 16; ++channel) {
        const std::uint8_t message[3] = {static_cast<std::uint8_t>(0xB0 | channel), kAllNotesOff,
                                         0};
        output_->send(message, sizeof message);
    }
}

void MidiPorts::stop() {
    // The input stops first, so that no note arrives after the notes were reset.
    if (input_) input_->stop();
    reset();
}

void MidiPorts::close() {
    input_.reset();
    output_.reset();
}

}  // namespace sorvella
