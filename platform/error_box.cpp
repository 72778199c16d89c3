#include "platform/error_box.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace sorvella {

namespace {

constexpr const char* kMessages[] = {
    "An unknown error occurred",
    "Out of memory",
    "Bitmap could not be loaded",
    "Invalid file format",
    "This file was created with a more recent version of the program",
    "Error writing file",
    "Error opening file",
    "Error reading file",
};
constexpr std::int32_t kMessageCount = static_cast<std::int32_t>(std::size(kMessages));

void presentOnStderr(const ErrorBox& box) {
    std::fprintf(stderr, "%s: %s\n", box.title.c_str(), box.text.c_str());
    std::fflush(stderr);
}

std::mutex presenterMutex;
ErrorPresenter& presenterSlot() {
    static ErrorPresenter presenter;
    return presenter;
}

}  // namespace

const char* errorMessage(std::int32_t code) {
    if (code < 0 || code >= kMessageCount) code = kErrorUnknown;
    return kMessages[code];
}

ErrorPresenter setErrorPresenter(ErrorPresenter presenter) {
    std::lock_guard lock(presenterMutex);
    return std::exchange(presenterSlot(), std::move(presenter));
}

void reportError(std::int32_t code, const char* detail) {
    std::string text = errorMessage(code);
    if (detail) {
        text += '\n';
        text += detail;
    }
    showMessageBox(kErrorBoxTitle, text.c_str(), kErrorBoxStyle);
}

void showMessageBox(const char* title, const char* text, std::int32_t style) {
    ErrorBox box{title, text, style};
    ErrorPresenter presenter;
    {
        std::lock_guard lock(presenterMutex);
        presenter = presenterSlot();
    }
    if (presenter) {
        presenter(box);
    } else {
        presentOnStderr(box);
    }
}

}  // namespace sorvella
