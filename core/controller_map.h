// The learnable map between MIDI controllers and parameters, shared by every instrument of the
// process and kept in the "midicfg" setting as 58 hexadecimal digits. MIDI learn changes it on the
// audio thread while an editor reads it on its window's thread, so each entry is an atomic byte.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "core/parameter_table.h"

namespace sorvella {

class ControllerMap {
  public:
    ControllerMap() { resetToTable(); }

    // Each parameter's controller as the descriptor table gives it, and the reverse map.
    void resetToTable();
    // Builds the map from a stored "midicfg" text; a missing or malformed text (too short, not
    // hexadecimal) leaves the table's controllers, and controllers above 127 other than "FF"
    // count as none.
    void load(const std::optional<std::string>& stored);
    std::string save() const;

    // MIDI learn's assignment; 255 clears the parameter's controller.
    void assign(std::int32_t parameter, std::uint8_t controller);

    std::uint8_t controllerOf(std::int32_t parameter) const {
        return isParameterIndex(parameter)
                   ? controllers_[static_cast<std::size_t>(parameter)].load(kOrder)
                   : kNoController;
    }
    // The parameter a controller drives, 255 for none or for a number above 127.
    std::uint8_t targetOf(std::int32_t controller) const {
        return controller >= 0 && controller < 128
                   ? target_[static_cast<std::size_t>(controller)].load(kOrder)
                   : kNoController;
    }

  private:
    static constexpr std::memory_order kOrder = std::memory_order_relaxed;
    void rebuildTargets();

    std::array<std::atomic<std::uint8_t>, kNumParams> controllers_{};
    std::array<std::atomic<std::uint8_t>, 128> target_{};  // controllerTarget
};

// The process-wide map.
ControllerMap& controllerMap();

}  // namespace sorvella
