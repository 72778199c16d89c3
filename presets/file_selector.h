// Asking the user for a file: the host's file selector when the host offers one, otherwise a
// dialog program (zenity, else kdialog) run as a child process, so that no GUI toolkit is ever
// loaded into the host's process.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/vst2/aeffect.h"

namespace vst2 {
class AudioEffectX;
}

namespace sorvella {

inline constexpr std::size_t kReturnPathBytes = 1024;

// What an operation asks for: load or save, the title, and one file type.
struct FileRequest {
    std::int32_t command = vst2::kVstFileLoad;
    std::string title;
    std::string typeName;  // "FX Banks"
    std::string macType;   // ".fxb"
    std::string dosType;   // "fxb": also the Unix type, the MIME types and the default extension
};

FileRequest loadBankRequest();
FileRequest saveBankRequest();
FileRequest loadPatchRequest();
FileRequest savePatchRequest();
FileRequest loadTuningRequest(const std::string& currentTuning);

// The host's request record for a file request, with the return path buffer it points to.
class FileSelectRecord {
  public:
    explicit FileSelectRecord(const FileRequest& request);
    FileSelectRecord(const FileSelectRecord&) = delete;
    FileSelectRecord& operator=(const FileSelectRecord&) = delete;

    vst2::VstFileSelect* get() { return &select_; }
    // The path the host returned, if any.
    std::optional<std::string> chosenPath() const;

  private:
    vst2::VstFileType type_{};
    vst2::VstFileSelect select_{};
    char returnPath_[kReturnPathBytes] = {};
};

// The command line of a dialog program for a request.
std::vector<std::string> zenityCommand(const FileRequest& request, bool confirmOverwrite);
std::vector<std::string> kdialogCommand(const FileRequest& request);

// Runs the dialog programs in turn until one answers: the chosen path, or none when the user
// cancelled or no dialog could be shown. A saved name without an extension gets the request's
// default extension. The owner is the window the dialog belongs to (an X11 window id).
std::optional<std::string> runFileDialog(const FileRequest& request, void* owner);

// When no dialog program is installed, a window of the application's own may ask instead.
using FileDialogFallback =
    std::function<std::optional<std::string>(const FileRequest& request, void* owner)>;
void setFileDialogFallback(FileDialogFallback fallback);

// A file selection for one operation. The host's selector is closed when the selection ends,
// i.e. after the operation has used the file.
class FileSelection {
  public:
    FileSelection(vst2::AudioEffectX& plugin, const FileRequest& request, void* owner);
    ~FileSelection();
    FileSelection(const FileSelection&) = delete;
    FileSelection& operator=(const FileSelection&) = delete;

    // The chosen path; none when the selection was cancelled or failed.
    const std::optional<std::string>& path() const { return path_; }

  private:
    vst2::AudioEffectX& plugin_;
    FileSelectRecord record_;
    bool hostOpened_ = false;
    std::optional<std::string> path_;
};

// Adds "." and the extension when the file name has none.
std::string withDefaultExtension(const std::string& path, const std::string& extension);

}  // namespace sorvella
