#include "editor/my_vsti_editor.h"

#include <cassert>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "core/file_operations.h"
#include "editor/editor_layout.h"
#include "editor/editor_menus.h"
#include "editor/skin_bitmaps.h"
#include "editor/special_controls.h"
#include "platform/error_box.h"
#include "toolkit/bitmap.h"
#include "toolkit/inertial_anim_knob.h"
#include "toolkit/knob.h"
#include "toolkit/option_menu.h"
#include "toolkit/text_edit.h"
#include "toolkit/x11_window.h"

// Last: Xlib's macros (None, Bool, Status) clash with other headers.
#include <X11/Xlib.h>

namespace sorvella {

namespace {

constexpr CColor kInk{50, 52, 35, 255};
constexpr CColor kField{155, 178, 121, 255};

CRect toCRect(const PixelRect& r) {
    return CRect::fromSize(r.left, r.top, r.width, r.height);
}

// The screen's scale from the Xft.dpi resource that desktops set for HiDPI screens: 1, 1.5 or 2.
// A display is opened just for the question, on the window's thread.
double screenScale() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return 1.0;
    double dpi = 96.0;
    if (const char* text = XGetDefault(display, "Xft", "dpi")) {
        const double parsed = std::strtod(text, nullptr);
        if (std::isfinite(parsed) && parsed > 0.0) dpi = parsed;
    }
    XCloseDisplay(display);
    if (dpi >= 168.0) return 2.0;
    if (dpi >= 132.0) return 1.5;
    return 1.0;
}

COptionMenu* settingsSubmenu() {
    return new COptionMenu({0, 0, 0, 0}, nullptr, tags::kSettingsMenu, nullptr, nullptr,
                           kPopupStyle | kCheckStyle);
}

}  // namespace

MyVstiEditor::MyVstiEditor(MyVsti& instrument)
    : MailboxEditor(instrument), actions_(instrument, learn_) {
    if (!SkinBitmaps::acquire()) return;
    holdsSkin_ = true;
    settingsMenu_.reset(settingsSubmenu());
    xyInertiaMenu_.reset(settingsSubmenu());
    knobsInertiaMenu_.reset(settingsSubmenu());
    knobsModeMenu_.reset(settingsSubmenu());
    for (const char* name : kInertiaNames) {
        xyInertiaMenu_->addEntry(name);
        knobsInertiaMenu_->addEntry(name);
    }
    for (const char* name : kKnobModeNames)
        knobsModeMenu_->addEntry(name);
    settingsMenu_->addEntry(xyInertiaMenu_.get(), kSettingsSubmenuNames[0]);
    settingsMenu_->addEntry(knobsInertiaMenu_.get(), kSettingsSubmenuNames[1]);
    settingsMenu_->addEntry(knobsModeMenu_.get(), kSettingsSubmenuNames[2]);
    rect_ = {0, 0, static_cast<std::int16_t>(layout::kWindowHeight),
             static_cast<std::int16_t>(layout::kWindowWidth)};
    ready_ = true;
}

MyVstiEditor::~MyVstiEditor() {
    close();
    if (settingsMenu_) settingsMenu_->removeAllEntry();
    if (holdsSkin_) SkinBitmaps::release();
}

bool MyVstiEditor::getRect(vst2::ERect** rect) {
    if (rect == nullptr) return false;
    if (scale_ == 0.0) scale_ = screenScale();
    rect_.bottom = static_cast<std::int16_t>(std::lround(layout::kWindowHeight * scale_));
    rect_.right = static_cast<std::int16_t>(std::lround(layout::kWindowWidth * scale_));
    *rect = &rect_;
    return true;
}

CBitmap* MyVstiEditor::bitmap(std::int32_t resource) const {
    return SkinBitmaps::get(resource, scale_);
}

bool MyVstiEditor::open(void* parentWindow) {
    if (frame_) close();
    if (!ready_) return false;
    if (scale_ == 0.0) scale_ = screenScale();
    owner_ = std::this_thread::get_id();
    auto window = openX11Window(reinterpret_cast<uintptr_t>(parentWindow),
                                static_cast<int32_t>(std::lround(layout::kWindowWidth * scale_)),
                                static_cast<int32_t>(std::lround(layout::kWindowHeight * scale_)));
    if (!window) return false;
    const CRect size{0, 0, layout::kWindowWidth, layout::kWindowHeight};
    frame_ = std::make_unique<CFrame>(size, std::move(window), this, scale_);
    frame_->setBackground(bitmap(skin::kMainBackground));
    // Changes from here on are recorded; the controls start from the instrument's values.
    mailbox().setOpen(true);

    mainPage_ = new CViewContainer(size, frame_.get());
    mainPage_->setBackground(bitmap(skin::kMainBackground));
    frame_->addView(mainPage_);
    formantPage_ = new CViewContainer(toCRect(layout::kFormantPage), frame_.get());
    formantPage_->setBackground(bitmap(skin::kFormantBackground));
    if (!buildMainPage(*mainPage_) || !buildFormantPage(*formantPage_)) {
        close();
        return false;
    }
    drainMailbox();
    publishViewBlock();
    frame_->redraw();
    return true;
}

void MyVstiEditor::close() {
    if (!frame_) return;
    mailbox().setOpen(false);
    frame_->setModalView(nullptr);
    frame_->setFocusView(nullptr);
    delete formantPage_;
    formantPage_ = nullptr;
    mainPage_ = nullptr;
    controls_.fill(nullptr);
    frame_.reset();
    pendingFile_ = FileAction::kNone;
    pendingFormantSlot_ = -1;
    pendingFormantClose_ = false;
    shownZoom_.store(0.0f);
    shownScroll_.store(0.0f);
}

CViewContainer* MyVstiEditor::currentPage() const {
    return mainPage_;
}

CControl* MyVstiEditor::control(std::int32_t tag) const {
    return tags::isTag(tag) ? controls_[static_cast<std::size_t>(tag)] : nullptr;
}

bool MyVstiEditor::formantPageShown() const {
    return frame_ && formantPage_ && frame_->getModalView() == formantPage_;
}

bool MyVstiEditor::registerControl(CViewContainer& page, CControl* control) {
    if (control == nullptr) {
        reportError(kErrorOutOfMemory);
        return false;
    }
    page.addView(control);
    const std::int32_t tag = control->getTag();
    if (tags::isTag(tag)) controls_[static_cast<std::size_t>(tag)] = control;
    if (isParameterIndex(tag)) {
        const ParameterDescriptor& row = parameterDescriptor(tag);
        control->setDefaultValue(row.defaultValue);
        control->setMin(row.minValue);
        control->setMax(row.maxValue);
        showValue(tag, instrument().getParameter(tag));
    }
    return true;
}

bool MyVstiEditor::addPlacement(CViewContainer& page, const ControlPlacement& p) {
    const CRect rect = toCRect(p.rect);
    CBitmap* film = bitmap(p.bitmap);
    switch (p.kind) {
        case ControlKind::kEnvelopeEditor:
            return registerControl(page, new EnvSegment32(rect, this, p.tag, instrument()));
        case ControlKind::kXYPad: {
            auto* pad = new XYcontrol(rect, this, p.tag);
            pad->setMenu(settingsMenu_.get());
            pad->model().setX(instrument().getParameter(kVowel1Morph));
            pad->model().setY(instrument().getParameter(kVowel2Morph));
            return registerControl(page, pad);
        }
        case ControlKind::kKnob:
            return registerControl(
                page, new CInertialAnimKnob(rect, this, p.tag, skin::kKnobFrames,
                                            film->getHeight() / skin::kKnobFrames, film));
        case ControlKind::kValueDisplay: {
            auto* display = new RZ_CParamDisplay(rect, p.tag, *this);
            display->setTransparency(true);
            display->setStyle(kNoFrame);
            display->setHoriAlign(kCenterText);
            display->setFont(kNormalFontVerySmall);
            display->setFontColor(kInk);
            return registerControl(page, display);
        }
        case ControlKind::kStepButton:
        case ControlKind::kMomentaryButton:
            return registerControl(
                page, new ReleaseButton(rect, this, p.tag, film->getHeight() >> 1, film));
        case ControlKind::kOnOffButton:
            return registerControl(page, new COnOffButton(rect, this, p.tag, film));
        case ControlKind::kVowelMenu: {
            auto* menu = new COptionMenu(rect, this, p.tag, nullptr, nullptr, 0);
            menu->setFont(kNormalFontVerySmall);
            menu->setFontColor(kInk);
            menu->setBackColor(kField);
            menu->setFrameColor(kField);
            menu->setHoriAlign(kCenterText);
            for (std::int32_t entry = 0; entry < kVowelMenuEntries; ++entry)
                menu->addEntry(vowelMenuText(entry));
            if (!registerControl(page, menu)) return false;
            const std::int32_t parameter = bindingOf(p.tag).parameter;
            menu->setValue(static_cast<float>(
                static_cast<double>(instrument().getParameter(parameter)) * 100.0 +
                static_cast<double>(0.01f)));
            return true;
        }
        case ControlKind::kTextEdit: {
            char name[kProgramNameMax + 1] = {};
            auto* field = new CTextEdit(rect, this, p.tag, "", nullptr, 0);
            field->setMaxLength(kProgramNameMax);
            field->setFont(kNormalFontSmaller);
            field->setFontColor(kInk);
            field->setBackColor(kField);
            field->setFrameColor(kField);
            field->setTransparency(true);
            if (!registerControl(page, field)) return false;
            instrument().getProgramName(name);
            field->setText(name);
            return true;
        }
        case ControlKind::kSplash:
            return registerControl(
                page, new MyCSplashScreen(rect, this, p.tag, film, toCRect(layout::kCreditsPanel)));
        case ControlKind::kFormantEditor:
            return registerControl(
                page, new FormantsEditor(rect, this, p.tag, instrument(), layout::kFormantGraph,
                                         layout::kFormantTable));
    }
    return false;
}

bool MyVstiEditor::buildMainPage(CViewContainer& page) {
    for (const ControlPlacement& p : pageLayout(Page::kMain)) {
        if (!addPlacement(page, p)) return false;
    }
    for (std::int32_t slot = 0; slot < kNumPrograms; ++slot)
        controls_[static_cast<std::size_t>(tags::kFirstProgramButton + slot)]->setValue(
            slot == instrument().currentProgram() ? 1.0f : 0.0f);
    controls_[tags::kMidiOut]->setValue(instrument().midiOutEnabled() ? 1.0f : 0.0f);
    // The switch shows the mode, which lasts from one opening to the next.
    controls_[tags::kLearn]->setValue(learn_.switchValue());
    applyEditorSettings();
    return true;
}

bool MyVstiEditor::buildFormantPage(CViewContainer& page) {
    for (const ControlPlacement& p : pageLayout(Page::kFormant)) {
        if (!addPlacement(page, p)) return false;
    }
    if (auto* formants = dynamic_cast<FormantsEditor*>(controls_[tags::kFormantEditor])) {
        formants->model().setSampleRate(instrument().getSampleRate());
    }
    return true;
}

bool MyVstiEditor::addButton(std::int32_t tag, bool momentary, CBitmap* image, const CRect& rect) {
    if (!mainPage_ || !image) return false;
    CControl* button = momentary ? static_cast<CControl*>(new ReleaseButton(
                                       rect, this, tag, image->getHeight() >> 1, image))
                                 : new COnOffButton(rect, this, tag, image);
    return registerControl(*mainPage_, button);
}

void MyVstiEditor::showValue(std::int32_t tag, float value) {
    CControl* shown = control(tag);
    if (shown) {
        shown->setValue(value);
        shown->setDirty();
    }
    if (tag == kVowel1Morph || tag == kVowel2Morph) {
        if (auto* pad = dynamic_cast<XYcontrol*>(controls_[tags::kXYPad])) {
            if (tag == kVowel1Morph) {
                pad->model().setX(value);
            } else {
                pad->model().setY(value);
            }
            pad->setDirty();
        }
    }
    if (isParameterIndex(tag)) {
        if (CControl* display = control(tags::displayOf(tag))) display->setDirty();
    }
}

void MyVstiEditor::redrawDisplays() {
    const auto displays = allValueDisplays();
    for (std::size_t tag = 0; tag < displays.size(); ++tag) {
        if (displays.test(tag) && controls_[tag]) controls_[tag]->setDirty();
    }
}

void MyVstiEditor::drainMailbox() {
    if (!frame_) return;
    EditorChanges changes;
    mailbox().collect(changes);
    if (!changes.any()) return;
    takeKeptValues(instrument(), changes);
    for (std::int32_t tag = 0; tag < tags::kCount; ++tag) {
        if (!changes.dirty.test(static_cast<std::size_t>(tag))) continue;
        if (tag == tags::kProgramName || tag == tags::kEnvelopeEditor) {
            if (CControl* c = control(tag)) c->setDirty();
            continue;
        }
        showValue(tag, changes.values[static_cast<std::size_t>(tag)]);
    }
    if (changes.programNameChanged) {
        auto* field = dynamic_cast<CTextEdit*>(controls_[tags::kProgramName]);
        if (field && !field->isEditing()) field->setText(changes.programName);
    }
    if (changes.sampleRateChanged) {
        if (auto* formants = dynamic_cast<FormantsEditor*>(controls_[tags::kFormantEditor])) {
            formants->model().setSampleRate(changes.sampleRate);
            formants->setDirty();
        }
    }
    if (learn_.displaysToRedraw(changes).any()) redrawDisplays();
    if (changes.redrawAll) {
        // A program change: the curves and the formant set belong to the program.
        if (auto* formants = dynamic_cast<FormantsEditor*>(controls_[tags::kFormantEditor])) {
            formants->model().pull();
        }
        frame_->invalidate({0, 0, layout::kWindowWidth, layout::kWindowHeight});
        for (CControl* c : controls_) {
            if (c) c->setDirty();
        }
    }
}

void MyVstiEditor::idle() {
    if (!frame_) return;
    // Hosts open, idle and close an editor on one thread, though not always their main one.
    assert(owner_ == std::this_thread::get_id());
    if (viewBlockPending_.exchange(false)) {
        if (auto* envelope = dynamic_cast<EnvSegment32*>(controls_[tags::kEnvelopeEditor])) {
            envelope->model().setViewBlock(pendingZoom_.load(), pendingScroll_.load());
            envelope->setDirty();
        }
    }
    drainMailbox();
    frame_->idle();
    runDeferred();
    publishViewBlock();
}

void MyVstiEditor::publishViewBlock() {
    if (auto* envelope = dynamic_cast<EnvSegment32*>(controls_[tags::kEnvelopeEditor])) {
        shownZoom_.store(envelope->model().zoom());
        shownScroll_.store(envelope->model().offset());
    }
}

void MyVstiEditor::viewBlock(float& zoom, float& scroll) const {
    // Closed, the editor writes zeros.
    zoom = shownZoom_.load();
    scroll = shownScroll_.load();
}

void MyVstiEditor::setViewBlock(float zoom, float scroll) {
    // A chunk's values are checked by the envelope editor when idle applies them.
    pendingZoom_.store(zoom);
    pendingScroll_.store(scroll);
    viewBlockPending_.store(true);
}

void MyVstiEditor::runDeferred() {
    if (!frame_) return;
    void* owner =
        reinterpret_cast<void*>(frame_->platform() ? frame_->platform()->nativeHandle() : 0);
    const FileAction file = pendingFile_;
    pendingFile_ = FileAction::kNone;
    switch (file) {
        case FileAction::kLoadPatch:
            loadPatch(instrument(), owner);
            break;
        case FileAction::kSavePatch:
            savePatch(instrument(), owner);
            break;
        case FileAction::kLoadBank:
            loadBank(instrument(), owner);
            break;
        case FileAction::kSaveBank:
            saveBank(instrument(), owner);
            break;
        case FileAction::kLoadTuning:
            loadTuning(instrument(), owner);
            break;
        case FileAction::kNone:
            break;
    }
    if (pendingFormantClose_) {
        pendingFormantClose_ = false;
        closeFormantPage();
    }
    if (pendingFormantSlot_ >= 0) {
        const std::int32_t slot = pendingFormantSlot_;
        pendingFormantSlot_ = -1;
        openFormantPage(slot);
    }
}

void MyVstiEditor::openFormantPage(std::int32_t slot) {
    auto* formants = dynamic_cast<FormantsEditor*>(controls_[tags::kFormantEditor]);
    if (!frame_ || !formants || !formants->model().attach(slot)) return;
    formants->model().setSampleRate(instrument().getSampleRate());
    formants->setDirty();
    if (frame_->getModalView() != formantPage_) {
        frame_->setModalView(nullptr);
        frame_->setModalView(formantPage_);
    }
    frame_->redraw();
}

void MyVstiEditor::closeFormantPage() {
    if (!frame_ || frame_->getModalView() != formantPage_) return;
    frame_->setModalView(nullptr);
    frame_->redraw();
}

void MyVstiEditor::applyEditorSettings() {
    const EditorSettings settings = loadEditorSettings(instrument().settings());
    xyInertiaMenu_->setCurrent(settings.xyInertia);
    knobsInertiaMenu_->setCurrent(settings.knobsInertia);
    knobsModeMenu_->setCurrent(settings.knobsModeEntry());
    for (std::int32_t i = 0; i < kInertiaEntries; ++i) {
        xyInertiaMenu_->checkEntry(i, i == settings.xyInertia);
        knobsInertiaMenu_->checkEntry(i, i == settings.knobsInertia);
    }
    for (std::int32_t i = 0; i < kKnobModeEntries; ++i)
        knobsModeMenu_->checkEntry(i, i == settings.knobsModeEntry());
    sorvella::setKnobMode(settings.circularKnobs ? kCircularMode : kLinearMode);
    if (auto* pad = dynamic_cast<XYcontrol*>(controls_[tags::kXYPad])) {
        pad->model().setInertia(settings.xyInertia);
    }
    for (std::int32_t tag : knobInertiaOrder()) {
        if (auto* knob = dynamic_cast<CInertialAnimKnob*>(control(tag))) {
            knob->setInertia(settings.knobsInertia);
        }
    }
}

void MyVstiEditor::saveEditorSettings() {
    sorvella::saveEditorSettings(
        instrument().settings(),
        settingsFromMenus(xyInertiaMenu_->getCurrent(), knobsInertiaMenu_->getCurrent(),
                          knobsModeMenu_->getCurrent()));
}

void MyVstiEditor::valueChanged(CDrawContext* context, CControl* reporting) {
    if (reporting == nullptr || !frame_) return;
    const std::int32_t tag = reporting->getTag();
    if (tag < 0) return;  // the settings menus: the pad reports their choice
    const float value = reporting->getValue();
    const bool alt = context != nullptr && (context->getMouseButtons() & kAlt) != 0;
    const XYPadModel* pad = nullptr;
    if (tag == tags::kXYPad) pad = &static_cast<XYcontrol*>(reporting)->model();
    std::string text;
    if (tag == tags::kProgramName) text = static_cast<CTextEdit*>(reporting)->getText();
    const ControlOutcome outcome = actions_.controlChanged(tag, value, alt, pad, text.c_str());
    if (outcome.redrawAll) {
        redrawDisplays();
        frame_->invalidate({0, 0, layout::kWindowWidth, layout::kWindowHeight});
    }
    if (outcome.learnTarget >= 0) redrawDisplays();
    if (outcome.file != FileAction::kNone) pendingFile_ = outcome.file;
    if (outcome.openFormantPage >= 0) pendingFormantSlot_ = outcome.openFormantPage;
    if (outcome.closeFormantPage) pendingFormantClose_ = true;
    if (outcome.settingsChosen) {
        saveEditorSettings();
        applyEditorSettings();
    }
    // The parameter path recorded the kept values in the mailbox; show them now, so that the
    // displays and the knobs the pad moves follow a drag, whose loop draws what is dirty.
    drainMailbox();
}

void MyVstiEditor::beginEdit(int32_t tag) {
    if (isParameterIndex(tag)) {
        instrument().beginEdit(tag);
    } else if (tag == tags::kXYPad) {
        instrument().beginEdit(kVowel1Morph);
        instrument().beginEdit(kVowel2Morph);
    }
}

void MyVstiEditor::endEdit(int32_t tag) {
    if (isParameterIndex(tag)) {
        instrument().endEdit(tag);
    } else if (tag == tags::kXYPad) {
        instrument().endEdit(kVowel2Morph);
        instrument().endEdit(kVowel1Morph);
    }
}

void MyVstiEditor::displayText(std::int32_t parameter, char* out, std::size_t size) {
    // The display text reads the working program's value, which host threads and the audio
    // thread write under the audio lock; formatting it is short.
    std::lock_guard lock(instrument().audioLock());
    valueDisplayText(instrument(), parameter, learn_.on(), out, size);
}

void MyVstiEditor::displayClicked(std::int32_t tag, MouseButtons buttons) {
    if (learn_.clickDisplay(instrument(), tag, buttons).any()) redrawDisplays();
}

bool MyVstiEditor::setKnobMode(std::int32_t mode) {
    sorvella::setKnobMode(mode == 2 ? kLinearMode : kCircularMode);
    return true;
}

bool MyVstiEditor::onKeyDown(std::int32_t character, std::int32_t virtualKey,
                             std::int32_t modifiers) {
    // Only a text field that is being edited takes the keys a host forwards.
    if (!frame_ || frame_->getFocusView() == nullptr) return false;
    CKeyEvent key;
    // The plugin interface's virtual keys: back 1, tab 2, return 4, escape 6, enter 19,
    // delete 22, left 11, right 13, home 10, end 9.
    switch (virtualKey) {
        case 1:
            key.virt = kVirtBack;
            break;
        case 2:
            key.virt = kVirtTab;
            break;
        case 4:
            key.virt = kVirtReturn;
            break;
        case 6:
            key.virt = kVirtEscape;
            break;
        case 9:
            key.virt = kVirtEnd;
            break;
        case 10:
            key.virt = kVirtHome;
            break;
        case 11:
            key.virt = kVirtLeft;
            break;
        case 13:
            key.virt = kVirtRight;
            break;
        case 19:
            key.virt = kVirtEnter;
            break;
        case 22:
            key.virt = kVirtDelete;
            break;
        default:
            if (character < 32 || character > 126) return false;
            key.character = static_cast<std::uint32_t>(character);
    }
    key.modifiers = modifiers;
    return frame_->dispatchKey(key);
}

}  // namespace sorvella
