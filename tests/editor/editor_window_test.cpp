// The editor in a real window: a small X11 host loads the built plugin with dlopen, opens the
// editor in a window of its own on an Xvfb server, drives it with synthetic input from xdotool,
// and checks what the instrument and the host callback see.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/vst2/aeffect.h"
#include "platform/vst2/midi_message.h"
#include "tests/toolkit/xvfb_server.h"

namespace {

using sorvella::test::HostWindow;
using vst2::AEffect;

std::mutex callsMutex;
std::vector<std::pair<std::int32_t, std::int32_t>> calls;  // opcode, index

vst2::intptr hostCallback(AEffect*, std::int32_t opcode, std::int32_t index, vst2::intptr, void*,
                          float) {
    if (opcode == vst2::audioMasterVersion) return 2400;
    std::lock_guard lock(callsMutex);
    calls.emplace_back(opcode, index);
    return 0;
}

std::size_t callCount(std::int32_t opcode, std::int32_t index) {
    std::lock_guard lock(callsMutex);
    return static_cast<std::size_t>(
        std::count(calls.begin(), calls.end(), std::pair(opcode, index)));
}

// Hands one MIDI message to the effect and renders a block after it; returns the left channel.
std::vector<float> playMessage(AEffect* effect, std::uint8_t status, std::uint8_t data1,
                               std::uint8_t data2, std::int32_t frames) {
    vst2::OneEventList events(vst2::midiMessage(0, status, data1, data2));
    effect->dispatcher(effect, vst2::effProcessEvents, 0, 0, &events.list, 0.0f);
    std::vector<float> left(static_cast<std::size_t>(frames)), right(left.size());
    float* outputs[2] = {left.data(), right.data()};
    effect->processReplacing(effect, nullptr, outputs, frames);
    return left;
}

class EditorWindowTest : public sorvella::test::XvfbTest {
  protected:
    void SetUp() override {
        XvfbTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        library_ = dlopen(SORVELLA_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library_, nullptr) << dlerror();
        auto entry =
            reinterpret_cast<AEffect* (*)(vst2::HostCallback)>(dlsym(library_, "VSTPluginMain"));
        ASSERT_NE(entry, nullptr);
        effect_ = entry(hostCallback);
        ASSERT_NE(effect_, nullptr);
        dispatch(vst2::effOpen);
        dispatch(vst2::effSetSampleRate, 0, 0, nullptr, 44100.0f);
        dispatch(vst2::effMainsChanged, 0, 1);
        host_ = std::make_unique<HostWindow>(819, 374);
        ASSERT_NE(host_->id(), 0u);
    }
    void TearDown() override {
        if (effect_) dispatch(vst2::effClose);
        host_.reset();
        if (library_) dlclose(library_);
    }

    vst2::intptr dispatch(std::int32_t opcode, std::int32_t index = 0, vst2::intptr value = 0,
                          void* ptr = nullptr, float opt = 0.0f) {
        return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
    }
    void idle(int times = 1) {
        for (int i = 0; i < times; ++i) {
            dispatch(vst2::effEditIdle);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    bool openEditor() {
        return dispatch(vst2::effEditOpen, 0, 0, reinterpret_cast<void*>(host_->id())) == 1;
    }
    void xdotool(const std::string& script) {
        ASSERT_EQ(sorvella::test::runXdotool(script, [this] { idle(); }), 0);
    }

    void* library_ = nullptr;
    AEffect* effect_ = nullptr;
    std::unique_ptr<HostWindow> host_;  // the editor's parent, at the screen's top-left corner
};

TEST_F(EditorWindowTest, KnobsButtonsThreadsReopeningAndClosingWithTheEditorOpen) {
    ASSERT_TRUE(effect_->flags & vst2::effFlagsHasEditor);
    ASSERT_TRUE(openEditor());
    idle(5);

    // Drag the "Level" knob (253, 26, 35 x 34) up: linear mode, 200 pixels span the range.
    effect_->setParameter(effect_, 1, 0.2f);
    idle(3);
    // Pauses let the knob's tracking loop see each position.
    xdotool(
        "mousemove 270 43 mousedown 1 sleep 0.1 mousemove 270 23 sleep 0.1 mousemove 270 3 "
        "sleep 0.1 mouseup 1");
    EXPECT_NEAR(effect_->getParameter(effect_, 1), 0.4f, 0.02f);
    EXPECT_EQ(callCount(vst2::audioMasterBeginEdit, 1), 1u);
    EXPECT_GE(callCount(vst2::audioMasterAutomate, 1), 1u);
    EXPECT_EQ(callCount(vst2::audioMasterEndEdit, 1), 1u);

    // Program button 3 (slot 2) at 467, 345.
    xdotool("mousemove 474 353 click 1");
    EXPECT_EQ(dispatch(vst2::effGetProgram), 2);

    // "Voices" up, pressed once: one step.
    const float voices = effect_->getParameter(effect_, 0);
    xdotool("mousemove 310 32 click 1");
    EXPECT_GT(effect_->getParameter(effect_, 0), voices);

    // The XY pad (90, 185, 150 x 150): a drag to the right moves "Vowel1 Morph" alone.
    xdotool("mousemove 165 260 mousedown 1 sleep 0.1 mousemove 215 260 sleep 0.1 mouseup 1");
    EXPECT_GT(effect_->getParameter(effect_, 17), 0.7f);
    EXPECT_NEAR(effect_->getParameter(effect_, 20), 0.5f, 0.05f);
    EXPECT_GE(callCount(vst2::audioMasterAutomate, 17), 1u);
    EXPECT_EQ(callCount(vst2::audioMasterBeginEdit, 17), callCount(vst2::audioMasterEndEdit, 17));

    // LEARN on, the "Level" display (256, 10) clicked: it waits for a controller, which arrives on
    // the audio thread; the display shows it at the next idle.
    xdotool("mousemove 30 290 click 1 sleep 0.1 mousemove 270 14 click 1");
    idle(3);
    const auto waiting = host_->grab(256, 10, 28, 9);
    std::thread([&] { playMessage(effect_, 0xB0, 21, 64, 64); }).join();
    idle(3);
    EXPECT_NE(host_->grab(256, 10, 28, 9), waiting);
    xdotool("mousemove 30 290 click 1");

    // Opening and closing again and again, with idle between.
    for (int i = 0; i < 20; ++i) {
        dispatch(vst2::effEditClose);
        ASSERT_TRUE(openEditor()) << "reopening " << i;
        idle();
    }

    // Audio renders and an automation thread sets "Mix1" (parameter 3, knob at 448, 26) while idle
    // draws: the last value is drawn. Then the host stops the audio and closes the instrument
    // without closing the editor first.
    effect_->setParameter(effect_, 3, 0.0f);
    idle(3);
    const auto before = host_->grab(448, 26, 35, 34);
    std::atomic<bool> rendering{true};
    std::thread audio([&] {
        std::vector<float> left(256), right(256);
        float* outputs[2] = {left.data(), right.data()};
        while (rendering)
            effect_->processReplacing(effect_, nullptr, outputs, 256);
    });
    std::thread setter([&] {
        for (int i = 0; i <= 2000; ++i)
            effect_->setParameter(effect_, 3, static_cast<float>(i % 101) / 100.0f);
        effect_->setParameter(effect_, 3, 1.0f);
    });
    for (int i = 0; i < 50; ++i)
        idle();
    setter.join();
    idle(3);
    EXPECT_NE(host_->grab(448, 26, 35, 34), before);
    rendering = false;
    audio.join();
    dispatch(vst2::effClose);
    effect_ = nullptr;
}

// A host without a display: the editor has a size but does not open, and the instrument plays.
// A host that destroys its window before closing the editor ends nothing either.
TEST_F(EditorWindowTest, NoDisplayOrAWindowDestroyedFirstEndsNothing) {
    const std::string display = std::getenv("DISPLAY");
    ::unsetenv("DISPLAY");
    vst2::ERect* rect = nullptr;
    ASSERT_EQ(dispatch(vst2::effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect->right - rect->left, 819);
    EXPECT_EQ(rect->bottom - rect->top, 374);
    EXPECT_EQ(dispatch(vst2::effEditOpen, 0, 0, reinterpret_cast<void*>(0x400001)), 0);
    idle();
    float peak = 0.0f;
    for (float v : playMessage(effect_, 0x90, 60, 100, 512))
        peak = std::max(peak, std::fabs(v));
    EXPECT_GT(peak, 0.0f);
    dispatch(vst2::effEditClose);
    ::setenv("DISPLAY", display.c_str(), 1);

    ASSERT_TRUE(openEditor());
    idle(3);
    host_->destroy();
    idle(3);
    dispatch(vst2::effEditClose);
    // Open while open closes first; a window that is not there fails cleanly.
    EXPECT_EQ(dispatch(vst2::effEditOpen, 0, 0, reinterpret_cast<void*>(0x7fffff)), 0);
}

}  // namespace
