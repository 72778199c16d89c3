// The editor's skin bitmaps, shared by every editor of the process: the first editor loads them,
// each further one takes a reference, and the last one to go frees them. Hosts create and destroy
// instruments on any thread, so the set is guarded by a mutex.
#pragma once

#include <cstdint>

namespace sorvella {

class CBitmap;

class SkinBitmaps {
  public:
    // The resources the editor uses, in the order of the shared table.
    static constexpr std::int32_t kCount = 22;
    static const std::int32_t kResources[kCount];

    // Takes a reference on the whole set, loading it at the first. False (and nothing taken)
    // when a bitmap could not be loaded; the error box has been shown.
    static bool acquire();
    // Gives back a reference taken by acquire().
    static void release();
    // A bitmap of the set for a window scale (1, 1.5 or 2: the latter two use the 2x images);
    // null for a resource outside the set or while no editor holds the set.
    static CBitmap* get(std::int32_t resource, double scale);
    // Editors holding the set (for tests).
    static std::int32_t holders();
};

}  // namespace sorvella
