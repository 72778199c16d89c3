#include "presets/file_selector.h"

#include <cstdio>
#include <cstring>

#include "platform/vst2/audio_effect.h"
#include "presets/child_process.h"

namespace sorvella {

namespace {

FileRequest makeRequest(std::int32_t command, std::string title, const char* typeName,
                        const char* macType, const char* dosType) {
    FileRequest request;
    request.command = command;
    request.title = std::move(title);
    request.typeName = typeName;
    request.macType = macType;
    request.dosType = dosType;
    return request;
}

template <std::size_t N>
void copyText(char (&field)[N], const std::string& text) {
    const std::size_t n = std::min(text.size(), N - 1);
    std::memcpy(field, text.data(), n);
    field[n] = 0;
}

// zenity and kdialog answer 1 when the user cancels; other failures (an option this version
// does not know, no display) let the next dialog program try.
constexpr int kCancelled = 1;
// The shell's answer for a program it could not run.
constexpr int kNotRunnable = 127;

FileDialogFallback& fallbackDialog() {
    static FileDialogFallback fallback;
    return fallback;
}

}  // namespace

FileRequest loadBankRequest() {
    return makeRequest(vst2::kVstFileLoad, "Load FX Bank", "FX Banks", ".fxb", "fxb");
}

FileRequest saveBankRequest() {
    return makeRequest(vst2::kVstFileSave, "Save FX Bank", "FX Banks", ".fxb", "fxb");
}

FileRequest loadPatchRequest() {
    return makeRequest(vst2::kVstFileLoad, "Load FX Patch", "FX Patches", ".fxp", "fxp");
}

FileRequest savePatchRequest() {
    return makeRequest(vst2::kVstFileSave, "Save FX Patch", "FX Patches", ".fxp", "fxp");
}

FileRequest loadTuningRequest(const std::string& currentTuning) {
    char title[sizeof(vst2::VstFileSelect::title)];
    std::snprintf(title, sizeof title, "Load Tuning file (current = %s)", currentTuning.c_str());
    return makeRequest(vst2::kVstFileLoad, title, "Tuning files", ".tun", "tun");
}

FileSelectRecord::FileSelectRecord(const FileRequest& request) {
    copyText(type_.name, request.typeName);
    copyText(type_.macType, request.macType);
    copyText(type_.dosType, request.dosType);
    copyText(type_.unixType, request.dosType);
    copyText(type_.mimeType1, request.dosType);
    copyText(type_.mimeType2, request.dosType);
    select_.command = request.command;
    select_.type = vst2::kVstFileType;
    select_.macCreator = 0;
    select_.nbFileTypes = 1;
    select_.fileTypes = &type_;
    copyText(select_.title, request.title);
    select_.initialPath = nullptr;
    select_.returnPath = returnPath_;
    select_.sizeReturnPath = static_cast<std::int32_t>(kReturnPathBytes);
}

std::optional<std::string> FileSelectRecord::chosenPath() const {
    const char* path = select_.returnPath;
    if (!path) return std::nullopt;
    const std::size_t n = strnlen(path, kReturnPathBytes);
    if (n == 0 || n == kReturnPathBytes) return std::nullopt;
    return std::string(path, n);
}

std::vector<std::string> zenityCommand(const FileRequest& request, bool confirmOverwrite) {
    std::vector<std::string> command = {"zenity", "--file-selection"};
    if (request.command == vst2::kVstFileSave) {
        command.push_back("--save");
        if (confirmOverwrite) command.push_back("--confirm-overwrite");
    }
    command.push_back("--title=" + request.title);
    command.push_back("--file-filter=" + request.typeName + " (*." + request.dosType + ") | *." +
                      request.dosType);
    return command;
}

std::vector<std::string> kdialogCommand(const FileRequest& request) {
    const bool save = request.command == vst2::kVstFileSave;
    return {"kdialog",
            "--title",
            request.title,
            save ? "--getsavefilename" : "--getopenfilename",
            ".",
            "*." + request.dosType + "|" + request.typeName + " (*." + request.dosType + ")"};
}

std::string withDefaultExtension(const std::string& path, const std::string& extension) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
    if (nameAt >= path.size()) return path;
    const std::size_t dot = path.find_last_of('.');
    if (dot != std::string::npos && dot > nameAt) return path;
    return path + "." + extension;
}

std::optional<std::string> runFileDialog(const FileRequest& request, void* owner) {
    const bool save = request.command == vst2::kVstFileSave;
    std::vector<std::vector<std::string>> commands = {zenityCommand(request, true)};
    // Newer zenity versions confirm overwriting by themselves and may refuse the option.
    if (save) commands.push_back(zenityCommand(request, false));
    commands.push_back(kdialogCommand(request));

    for (const auto& command : commands) {
        std::optional<ChildOutput> answer = runChild(command);
        if (!answer || answer->status == kNotRunnable) continue;
        if (answer->status == kCancelled) return std::nullopt;
        // A host that ignores SIGCHLD leaves no status to collect; a printed path still counts.
        const bool chosen = answer->status == 0 || (answer->status == -1 && !answer->out.empty());
        if (!chosen) continue;
        std::string path = answer->out;
        if (!path.empty() && path.back() == '\n') path.pop_back();
        if (!path.empty() && path.back() == '\r') path.pop_back();
        if (path.empty()) return std::nullopt;
        return save ? withDefaultExtension(path, request.dosType) : path;
    }
    if (fallbackDialog()) return fallbackDialog()(request, owner);
    return std::nullopt;
}

void setFileDialogFallback(FileDialogFallback fallback) {
    fallbackDialog() = std::move(fallback);
}

FileSelection::FileSelection(vst2::AudioEffectX& plugin, const FileRequest& request, void* owner)
    : plugin_(plugin), record_(request) {
    if (plugin_.canHostDo("openFileSelector") == 1) {
        if (plugin_.openFileSelector(record_.get())) {
            hostOpened_ = true;
            path_ = record_.chosenPath();
        }
    } else {
        path_ = runFileDialog(request, owner);
    }
}

FileSelection::~FileSelection() {
    if (hostOpened_) plugin_.closeFileSelector(record_.get());
}

}  // namespace sorvella
