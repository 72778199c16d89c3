// MIDI events: notes and voice allocation, pedal, pitch bend, controllers through the learnable
// controller map, program change, and parameter changes sent out as controllers.
#include <algorithm>
#include <cstdio>

#include "core/controller_map.h"
#include "core/my_vsti.h"
#include "core/my_vsti_engine.h"
#include "core/voice_pool.h"
#include "engine/tables.h"
#include "platform/vst2/midi_message.h"
#include "presets/settings_names.h"

namespace sorvella {

namespace {

constexpr float kInv127 = 0.007874015718698502f;

enum Controller : std::uint8_t {
    kCcPan = 10,
    kCcSustain = 64,
    kCcStepUp = 96,
    kCcStepDown = 97,
    kCcAllNotesOff = 123,
};

}  // namespace

std::int32_t MyVsti::processEvents(vst2::VstEvents* events) {
    if (events) events_.append(*events);
    return 1;
}

void MyVsti::handleEvent(const MidiEvent& event) {
    const std::uint8_t status = event.data[0] & 0xF0;
    const std::uint8_t d1 = event.data[1] & 0x7F;
    const std::uint8_t d2 = event.data[2] & 0x7F;
    switch (status) {
        case 0x80:
            noteOff(d1);
            break;
        case 0x90:
            if (d2 > 0) {
                noteOn(d1, d2);
            } else {
                noteOff(d1);
            }
            break;
        case 0xE0:
            engine_->context.bend = bendFactorTable()[d2];
            if (pool_) {
                for (MyNote* v = pool_->head(); v; v = v->next)
                    v->applyPitchBend();
            }
            break;
        case 0xB0:
            switch (d1) {
                case kCcAllNotesOff:
                    allNotesOff();
                    break;
                case kCcSustain:
                    setSustain(d2 >= 64);
                    break;
                case kCcPan:
                    setPan(d2);
                    break;
                case kCcStepUp:
                case kCcStepDown: {
                    std::uint8_t p = controllerMap().targetOf(d2);
                    if (p == kNoController) break;
                    float old = getParameter(p);
                    float step = parameterDescriptor(p).step;
                    float v =
                        d1 == kCcStepUp ? std::min(old + step, 1.0f) : std::max(old - step, 0.0f);
                    if (v != old) setParameter(p, v);
                    break;
                }
                default:
                    if (const std::int32_t learning =
                            learnParameter_.load(std::memory_order_relaxed);
                        learning != kNoLearn) {
                        learnParameter_.store(kNoLearn, std::memory_order_relaxed);
                        assignController(learning, d1);
                    } else if (std::uint8_t p = controllerMap().targetOf(d1); p != kNoController) {
                        setParameter(p, static_cast<float>(d2) * kInv127);
                    }
                    break;
            }
            break;
        case 0xC0:
            // The host hears of it when the render loop has released the audio lock.
            if (selectProgram(d1)) programChangedInRender_ = true;
            break;
        default:
            break;
    }
}

void MyVsti::noteOn(std::uint8_t note, std::uint8_t velocity) {
    if (!pool_) return;
    for (MyNote* v = pool_->head(); v; v = v->next) {
        if (v->note == note) v->quickStop();
    }
    MyNote* voice = pool_->take();
    if (!voice) return;
    if (pool_->inUse() > pool_->limit()) {
        // A voice already fading out is no victim while another still sounds: chosen again and
        // again by a chord arriving at once, it let every later note of the chord sound.
        MyNote* victim = chooseVictim(true);
        if (!victim) victim = chooseVictim(false);
        if (victim) victim->quickStop();
    }
    pool_->pushFront(voice);
    voice->start(note, velocity);
}

MyNote* MyVsti::chooseVictim(bool skipQuickStopped) const {
    // The oldest armed voice, else the softest unarmed one; with two or more voices allowed,
    // the lowest sounding note is spared.
    const bool protectLowest = pool_->limit() >= 2;
    std::int32_t lowest = 128;
    if (protectLowest) {
        for (MyNote* v = pool_->head(); v; v = v->next)
            lowest = std::min<std::int32_t>(lowest, v->note);
    }
    MyNote* oldestArmed = nullptr;
    std::int32_t oldestAge = 0;
    MyNote* softest = nullptr;
    std::int32_t softestVelocity = 127;
    for (MyNote* v = pool_->head(); v; v = v->next) {
        if (v->note == lowest || (skipQuickStopped && v->quickStopped)) continue;
        if (v->armed) {
            if (v->age > oldestAge) {
                oldestAge = v->age;
                oldestArmed = v;
            }
        } else if (v->velocity <= softestVelocity) {
            softestVelocity = v->velocity;
            softest = v;
        }
    }
    return oldestArmed ? oldestArmed : softest;
}

void MyVsti::noteOff(std::uint8_t note) {
    if (!pool_) return;
    for (MyNote* v = pool_->head(); v; v = v->next) {
        if (v->note == note && v->keyHeld) v->noteOff();
    }
}

void MyVsti::setSustain(bool down) {
    engine_->context.sustain = down;
    if (down || !pool_) return;
    for (MyNote* v = pool_->head(); v; v = v->next) {
        if (v->releasePending) v->noteOff();
    }
}

void MyVsti::allNotesOff() {
    engine_->context.sustain = false;
    if (!pool_) return;
    for (MyNote* v = pool_->head(); v; v = v->next)
        v->noteOff();
}

void MyVsti::assignController(std::int32_t parameter, std::uint8_t controller) {
    controllerMap().assign(parameter, controller);
    if (instrumentEditor_) instrumentEditor_->controllerMapChanged();
}

void MyVsti::controllerText(std::int32_t parameter, char* text) const {
    constexpr std::size_t kText = 16;
    std::uint8_t c = controllerMap().controllerOf(parameter);
    if (parameter == learnParameter()) {
        std::snprintf(text, kText, "[ ??? ]");
    } else if (c == kNoController) {
        std::snprintf(text, kText, "[ --- ]");
    } else {
        std::snprintf(text, kText, "[ %02d ]", c);
    }
}

void MyVsti::saveControllerMap() {
    settings_.setText(settings::kMidiCfg, controllerMap().save());
}

void MyVsti::setMidiOut(bool on) {
    if (on == midiOut_.load(std::memory_order_relaxed)) return;
    midiOut_.store(on, std::memory_order_relaxed);
    settings_.setInt(settings::kMidiOut, on ? 1 : 0);
}

void MyVsti::sendController(std::uint8_t channel, std::uint8_t controller, std::uint8_t value) {
    // byteSize: the event's size after its type and size fields.
    vst2::OneEventList one(vst2::midiMessage(
        position_, static_cast<std::uint8_t>(0xB0 | (channel & 0x0F)),
        static_cast<std::uint8_t>(controller & 0x7F), static_cast<std::uint8_t>(value & 0x7F), 24));
    sendVstEventsToHost(&one.list);
}

std::int32_t MyVsti::voiceLimit() const {
    return pool_ ? pool_->limit() : 0;
}

std::int32_t MyVsti::soundingVoices() const {
    std::int32_t n = 0;
    if (pool_) {
        for (MyNote* v = pool_->head(); v; v = v->next)
            ++n;
    }
    return n;
}

}  // namespace sorvella
