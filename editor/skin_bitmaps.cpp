#include "editor/skin_bitmaps.h"

#include <dlfcn.h>

#include <array>
#include <mutex>
#include <new>

#include "editor/editor_layout.h"
#include "editor/skin/skin_png.h"
#include "platform/error_box.h"
#include "toolkit/bitmap.h"

namespace sorvella {

const std::int32_t SkinBitmaps::kResources[kCount] = {skin::kMainBackground,
                                                      skin::kKnobBlue,
                                                      skin::kKnobOlive,
                                                      skin::kKnobLarge,
                                                      skin::kLoad,
                                                      skin::kSave,
                                                      skin::kCreditsPanel,
                                                      skin::kStepUp,
                                                      skin::kStepDown,
                                                      177,
                                                      178,
                                                      179,
                                                      180,
                                                      181,
                                                      182,
                                                      183,
                                                      184,
                                                      skin::kLearn,
                                                      skin::kMidiOutLamp,
                                                      skin::kTune,
                                                      skin::kFormantBackground,
                                                      skin::kFormantClose};

namespace {

struct SharedSet {
    std::mutex mutex;
    std::int32_t holders = 0;
    // [0] the images for scale 1, [1] those for scale 2.
    std::array<std::array<CBitmap*, SkinBitmaps::kCount>, 2> bitmaps{};
};

SharedSet& shared() {
    static SharedSet set;
    return set;
}

// The drawing libraries set up process-wide state when they load (pixman its implementations,
// cairo and FreeType their caches) and never free it. A host that unloads and reloads the plugin
// would unload them with it and leak that state each time; kept loaded, they set it up once.
void keepDrawingLibrariesLoaded() {
    static const bool kept = [] {
        for (const char* name : {"libpixman-1.so.0", "libcairo.so.2", "libfreetype.so.6",
                                 "libfontconfig.so.1", "libpng16.so.16"}) {
            // NOLOAD: only a library already loaded is marked, nothing new is loaded.
            if (void* handle = dlopen(name, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE))
                dlclose(handle);
        }
        return true;
    }();
    (void)kept;
}

void freeAll(SharedSet& set) {
    for (auto& scaleSet : set.bitmaps) {
        for (CBitmap*& bitmap : scaleSet) {
            if (bitmap) bitmap->forget();
            bitmap = nullptr;
        }
    }
}

// Loads the images of one scale set (0: scale 1, 1: scale 2). False, with the set left empty,
// when one cannot be made.
bool loadScale(SharedSet& set, std::size_t s) {
    auto& scaleSet = set.bitmaps[s];
    for (std::size_t i = 0; i < scaleSet.size(); ++i) {
        const auto png = skinPng(SkinBitmaps::kResources[i], static_cast<int>(s + 1));
        CBitmap* bitmap =
            new (std::nothrow) CBitmap(png.data(), png.size(), static_cast<double>(s + 1));
        scaleSet[i] = bitmap;
        if (!bitmap || !bitmap->isLoaded()) {
            for (CBitmap*& made : scaleSet) {
                if (made) made->forget();
                made = nullptr;
            }
            reportError(bitmap ? kErrorBitmap : kErrorOutOfMemory);
            return false;
        }
    }
    return true;
}

}  // namespace

bool SkinBitmaps::acquire() {
    SharedSet& set = shared();
    std::lock_guard lock(set.mutex);
    // The scale-1 images are loaded by the first holder, so that an editor whose artwork cannot
    // load is never ready; the scale-2 ones only when a HiDPI window asks for them.
    if (set.holders == 0) {
        keepDrawingLibrariesLoaded();
        if (!loadScale(set, 0)) return false;
    }
    ++set.holders;
    return true;
}

void SkinBitmaps::release() {
    SharedSet& set = shared();
    std::lock_guard lock(set.mutex);
    if (set.holders == 0) return;
    if (--set.holders == 0) freeAll(set);
}

CBitmap* SkinBitmaps::get(std::int32_t resource, double scale) {
    SharedSet& set = shared();
    std::lock_guard lock(set.mutex);
    if (set.holders == 0) return nullptr;
    const std::size_t s = scale > 1.0 ? 1 : 0;
    if (s == 1 && set.bitmaps[1][0] == nullptr && !loadScale(set, 1)) return nullptr;
    for (std::int32_t i = 0; i < kCount; ++i) {
        if (kResources[i] == resource) return set.bitmaps[s][static_cast<std::size_t>(i)];
    }
    return nullptr;
}

std::int32_t SkinBitmaps::holders() {
    SharedSet& set = shared();
    std::lock_guard lock(set.mutex);
    return set.holders;
}

}  // namespace sorvella
