// Points the per-user settings at an empty temporary directory for the life of the object, so
// that the bank tools neither depend on nor change the settings (tuning, gain, controller map)
// of whoever runs them.
#pragma once

#include <string>

namespace sorvella::factory {

class ScratchSettings {
  public:
    ScratchSettings();
    ~ScratchSettings();
    ScratchSettings(const ScratchSettings&) = delete;
    ScratchSettings& operator=(const ScratchSettings&) = delete;

    bool ok() const { return !directory_.empty(); }

  private:
    std::string directory_;
};

}  // namespace sorvella::factory
