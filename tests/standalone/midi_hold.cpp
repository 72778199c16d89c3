// A JACK MIDI source for the xrun benchmark: opens an output port named by the first argument,
// waits, sends the given messages (hex bytes, one message per argument: "B0147F"), then keeps the
// port open for the hold time so that nothing it started is cut off.
//   midi_hold PORT DELAY_SECONDS HOLD_SECONDS MESSAGE...
#include <rtmidi/RtMidi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <thread>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: midi_hold PORT DELAY_SECONDS HOLD_SECONDS MESSAGE...\n");
        return 2;
    }
    std::vector<std::vector<unsigned char>> messages;
    for (int i = 4; i < argc; ++i) {
        const std::string hex = argv[i];
        std::vector<unsigned char> message;
        for (std::size_t at = 0; at + 1 < hex.size(); at += 2)
            message.push_back(
                static_cast<unsigned char>(std::stoul(hex.substr(at, 2), nullptr, 16)));
        messages.push_back(message);
    }
    try {
        RtMidiOut out(RtMidi::UNIX_JACK, argv[1]);
        out.openVirtualPort("out");
        std::this_thread::sleep_for(std::chrono::duration<double>(std::atof(argv[2])));
        for (const auto& message : messages)
            out.sendMessage(&message);
        std::this_thread::sleep_for(std::chrono::duration<double>(std::atof(argv[3])));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "midi_hold: %s\n", e.what());
        return 1;
    }
    return 0;
}
