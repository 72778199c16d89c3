// The file dialog of last resort, for a machine with neither zenity nor kdialog: a line to type
// the path into, with OK and Cancel. It builds its views into any frame.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "presets/file_selector.h"
#include "toolkit/control.h"
#include "toolkit/frame.h"

namespace sorvella {

class CTextEdit;

inline constexpr std::int32_t kPathDialogWidth = 460;
inline constexpr std::int32_t kPathDialogHeight = 104;

class PathDialogView : public CControlListener {
  public:
    // Adds the views to frame; the line starts with initialPath. onEnd runs with true for OK.
    PathDialogView(CFrame& frame, const FileRequest& request, const std::string& initialPath,
                   std::function<void(bool ok)> onEnd);

    // The path as the request wants it: none when the line is empty or names a folder; a saved
    // name without an extension gets the request's.
    std::optional<std::string> path() const;

    void valueChanged(CDrawContext* context, CControl* control) override;

  private:
    FileRequest request_;
    std::function<void(bool)> onEnd_;
    CTextEdit* line_ = nullptr;
};

// The folder the line starts in: the working folder, ending in "/".
std::string startingFolder();

}  // namespace sorvella
