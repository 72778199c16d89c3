#include "editor/editor_mailbox.h"

#include <mutex>

#include "core/my_vsti.h"
#include "core/parameter_table.h"
#include "editor/editor_layout.h"

namespace sorvella {

EditorMailbox::EditorMailbox() {
    for (auto& v : values_)
        v.store(0.0f, std::memory_order_relaxed);
}

void EditorMailbox::markDirty(std::int32_t tag) {
    const auto t = static_cast<std::size_t>(tag);
    dirty_[t / 64].fetch_or(std::uint64_t{1} << (t % 64), std::memory_order_release);
}

void EditorMailbox::post(std::int32_t tag, float value) {
    if (!tags::isTag(tag) || !isOpen()) return;
    values_[static_cast<std::size_t>(tag)].store(value, std::memory_order_relaxed);
    markDirty(tag);
}

void EditorMailbox::touch(std::int32_t tag) {
    if (!tags::isTag(tag) || !isOpen()) return;
    markDirty(tag);
}

namespace {

// The controls that show parameter `index` and the values they take from it: its own control,
// its display (value x 127; the voice count for "Voices") and, for a vowel parameter, its menu.
template <typename Show>
void forEachShowing(std::int32_t index, float value, Show&& show) {
    show(index, value);
    if (!isParameterIndex(index)) return;
    // A display's value only decides whether it redraws; its text comes from the instrument.
    show(tags::displayOf(index),
         index == kVoices ? static_cast<float>(voiceCountFromValue(value)) : value * 127.0f);
    const std::int32_t menu = controlTagOf(index);
    if (menu >= tags::kFirstVowelMenu && menu <= tags::kLastVowelMenu) {
        show(menu,
             static_cast<float>(static_cast<double>(value) * 100.0 + static_cast<double>(0.01f)));
    }
}

}  // namespace

void EditorMailbox::showParameter(std::int32_t index, float value) {
    if (!tags::isTag(index) || !isOpen()) return;
    forEachShowing(index, value, [this](std::int32_t tag, float v) { post(tag, v); });
}

void EditorMailbox::showProgramName(const char* name) {
    if (!isOpen()) return;
    // A seqlock per slot, without fences: each character is a release store, so a reader that
    // sees one character of a write also sees the odd sequence stored before it. A writer that
    // was held up never shares a slot with one that overtook it.
    NameSlot* slot = nullptr;
    std::uint64_t sequence = 0;
    for (std::uint64_t next = nextSlot_.fetch_add(1, std::memory_order_relaxed);; ++next) {
        slot = &names_[next % kNameSlots];
        sequence = slot->sequence.load(std::memory_order_relaxed);
        if ((sequence & 1) == 0 &&
            slot->sequence.compare_exchange_weak(sequence, sequence + 1, std::memory_order_acq_rel,
                                                 std::memory_order_relaxed)) {
            break;
        }
    }
    // Taken while the slot is held, so that each slot's tickets only rise.
    const std::uint64_t ticket = nextTicket_.fetch_add(1, std::memory_order_relaxed) + 1;
    slot->ticket.store(ticket, std::memory_order_release);
    bool ended = name == nullptr;
    for (std::size_t i = 0; i < kProgramNameMax; ++i) {
        const char c = ended ? '\0' : name[i];
        ended = ended || c == '\0';
        slot->text[i].store(c, std::memory_order_release);
    }
    slot->text[kProgramNameMax].store('\0', std::memory_order_release);
    slot->sequence.store(sequence + 2, std::memory_order_release);
    const std::uint64_t published =
        ticket * kNameSlots + static_cast<std::uint64_t>(slot - names_.data());
    std::uint64_t latest = latestName_.load(std::memory_order_relaxed);
    while (latest < published &&
           !latestName_.compare_exchange_weak(latest, published, std::memory_order_release,
                                              std::memory_order_relaxed)) {
    }
    markDirty(tags::kProgramName);
}

bool EditorMailbox::readName(char* out) {
    const std::uint64_t latest = latestName_.load(std::memory_order_acquire);
    const NameSlot& slot = names_[latest % kNameSlots];
    const std::uint64_t sequence = slot.sequence.load(std::memory_order_acquire);
    if ((sequence & 1) != 0 || slot.ticket.load(std::memory_order_acquire) != latest / kNameSlots)
        return false;
    for (std::size_t i = 0; i <= kProgramNameMax; ++i)
        out[i] = slot.text[i].load(std::memory_order_acquire);
    return slot.sequence.load(std::memory_order_relaxed) == sequence;
}

void EditorMailbox::refreshProgramButtons(std::int32_t program) {
    if (!isOpen()) return;
    for (std::int32_t slot = 0; slot < kNumPrograms; ++slot)
        post(tags::kFirstProgramButton + slot, slot == program ? 1.0f : 0.0f);
    // The curves belong to the program.
    touch(tags::kEnvelopeEditor);
    flags_.fetch_or(kRedrawAllBit, std::memory_order_release);
}

void EditorMailbox::sampleRateChanged(float rate) {
    sampleRate_.store(rate, std::memory_order_relaxed);
    flags_.fetch_or(kRateBit, std::memory_order_release);
}

void EditorMailbox::controllerMapChanged() {
    if (!isOpen()) return;
    flags_.fetch_or(kMapChangedBit, std::memory_order_release);
}

void EditorMailbox::setOpen(bool open) {
    if (open) {
        for (auto& word : dirty_)
            word.store(0, std::memory_order_relaxed);
        flags_.fetch_and(kRateBit, std::memory_order_relaxed);
    }
    open_.store(open, std::memory_order_release);
}

void EditorMailbox::collect(EditorChanges& out) {
    out.dirty.reset();
    for (std::size_t w = 0; w < kWords; ++w) {
        std::uint64_t bits = dirty_[w].exchange(0, std::memory_order_acquire);
        while (bits != 0) {
            const int bit = __builtin_ctzll(bits);
            bits &= bits - 1;
            const std::size_t tag = w * 64 + static_cast<std::size_t>(bit);
            if (tag >= static_cast<std::size_t>(tags::kCount)) continue;
            out.dirty.set(tag);
            out.values[tag] = values_[tag].load(std::memory_order_relaxed);
        }
    }
    const auto nameTag = static_cast<std::size_t>(tags::kProgramName);
    out.programNameChanged = false;
    if (out.dirty.test(nameTag)) {
        out.dirty.reset(nameTag);
        if (readName(out.programName)) {
            out.programNameChanged = true;
        } else {
            markDirty(tags::kProgramName);  // a writer was busy with it: next idle
        }
    }
    const std::uint32_t flags = flags_.exchange(0, std::memory_order_acquire);
    out.controllerMapChanged = (flags & kMapChangedBit) != 0;
    out.redrawAll = (flags & kRedrawAllBit) != 0;
    out.sampleRateChanged = (flags & kRateBit) != 0;
    out.sampleRate = sampleRate_.load(std::memory_order_relaxed);
}

void takeKeptValues(MyVsti& instrument, EditorChanges& changes) {
    std::bitset<kNumParams> wanted;
    for (std::int32_t p = 0; p < kNumParams; ++p) {
        forEachShowing(p, 0.0f, [&](std::int32_t tag, float) {
            if (changes.dirty.test(static_cast<std::size_t>(tag)))
                wanted.set(static_cast<std::size_t>(p));
        });
    }
    if (wanted.none()) return;
    std::array<float, kNumParams> kept{};
    {
        std::lock_guard lock(instrument.audioLock());
        for (std::int32_t p = 0; p < kNumParams; ++p) {
            if (wanted.test(static_cast<std::size_t>(p)))
                kept[static_cast<std::size_t>(p)] = instrument.getParameter(p);
        }
    }
    for (std::int32_t p = 0; p < kNumParams; ++p) {
        if (!wanted.test(static_cast<std::size_t>(p))) continue;
        forEachShowing(p, kept[static_cast<std::size_t>(p)], [&](std::int32_t tag, float v) {
            changes.dirty.set(static_cast<std::size_t>(tag));
            changes.values[static_cast<std::size_t>(tag)] = v;
        });
    }
}

}  // namespace sorvella
