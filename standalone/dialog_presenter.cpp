#include "standalone/dialog_presenter.h"

#include <cstdio>
#include <cstdlib>

#include "presets/child_process.h"

namespace sorvella {

namespace {

// The exclamation icon of the box's style.
bool isWarning(const ErrorBox& box) {
    return (box.style & 0x30) == 0x30;
}

bool hasDisplay() {
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (wayland && *wayland);
}

}  // namespace

std::vector<std::string> zenityMessageCommand(const ErrorBox& box) {
    return {"zenity", isWarning(box) ? "--warning" : "--info", "--no-markup",
            "--title=" + box.title, "--text=" + box.text};
}

std::vector<std::string> kdialogMessageCommand(const ErrorBox& box) {
    return {"kdialog", "--title", box.title, isWarning(box) ? "--sorry" : "--msgbox", box.text};
}

void presentWithDialog(const ErrorBox& box) {
    std::fprintf(stderr, "%s: %s\n", box.title.c_str(), box.text.c_str());
    std::fflush(stderr);
    if (!hasDisplay()) return;
    for (const auto& command : {zenityMessageCommand(box), kdialogMessageCommand(box)}) {
        const std::optional<ChildOutput> shown = runChild(command);
        // Not installed (or not runnable): try the next one. Any answer means it was shown.
        if (shown && shown->status != 127) return;
    }
}

}  // namespace sorvella
