#include "standalone/path_dialog.h"

#include <unistd.h>

#include <climits>

#include "standalone/dialog_widgets.h"
#include "toolkit/text_edit.h"

namespace sorvella {

namespace {

constexpr std::int32_t kOk = 1;
constexpr std::int32_t kCancel = 2;

}  // namespace

std::string startingFolder() {
    char folder[PATH_MAX];
    if (!::getcwd(folder, sizeof folder)) return "/";
    std::string path = folder;
    if (path.empty() || path.back() != '/') path += '/';
    return path;
}

PathDialogView::PathDialogView(CFrame& frame, const FileRequest& request,
                               const std::string& initialPath, std::function<void(bool ok)> onEnd)
    : request_(request), onEnd_(std::move(onEnd)) {
    const bool save = request.command == vst2::kVstFileSave;
    std::string prompt = save ? "Save as" : "Open";
    if (!request.typeName.empty())
        prompt += " (" + request.typeName + ", *." + request.dosType + ")";
    frame.addView(new DialogLabel(CRect::fromSize(12, 8, kPathDialogWidth - 24, 18), prompt + ":"));
    line_ = new CTextEdit(CRect::fromSize(12, 30, kPathDialogWidth - 24, 22), this, 0,
                          initialPath.c_str());
    line_->setMaxLength(static_cast<std::int32_t>(kReturnPathBytes) - 1);
    line_->setFont(kNormalFont);
    line_->setHoriAlign(kLeftText);
    frame.addView(line_);
    frame.addView(new DialogButton(CRect::fromSize(kPathDialogWidth - 200, 66, 88, 26), this,
                                   kCancel, "Cancel"));
    frame.addView(new DialogButton(CRect::fromSize(kPathDialogWidth - 100, 66, 88, 26), this, kOk,
                                   "OK", true));
}

std::optional<std::string> PathDialogView::path() const {
    const std::string& text = line_->getText();
    if (text.empty() || text.back() == '/') return std::nullopt;
    if (request_.command == vst2::kVstFileSave) return withDefaultExtension(text, request_.dosType);
    return text;
}

void PathDialogView::valueChanged(CDrawContext*, CControl* control) {
    const std::int32_t tag = control->getTag();
    if ((tag == kOk || tag == kCancel) && onEnd_) onEnd_(tag == kOk);
}

}  // namespace sorvella
