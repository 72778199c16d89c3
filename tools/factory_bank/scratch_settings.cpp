#include "tools/factory_bank/scratch_settings.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace sorvella::factory {

ScratchSettings::ScratchSettings() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "sorvella-bank-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return;
    if (::setenv("XDG_CONFIG_HOME", pattern.c_str(), 1) != 0) {
        std::filesystem::remove(pattern);
        return;
    }
    directory_ = pattern;
}

ScratchSettings::~ScratchSettings() {
    if (directory_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
}

}  // namespace sorvella::factory
