// The error box: every failure shown to the user turns a small code into a fixed message.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace sorvella {

enum ErrorCode : std::int32_t {
    kErrorUnknown = 0,
    kErrorOutOfMemory = 1,
    kErrorBitmap = 2,
    kErrorInvalidFormat = 3,
    kErrorNewerVersion = 4,
    kErrorWriting = 5,
    kErrorOpening = 6,
    kErrorReading = 7,
};

inline constexpr const char* kErrorBoxTitle = "Sorvella Error";
// The platform's MB_OK | MB_ICONEXCLAMATION: a single OK button and the exclamation icon.
inline constexpr std::int32_t kErrorBoxStyle = 0x30;

// The message of a code; codes outside the table give the message of code 0.
const char* errorMessage(std::int32_t code);

// What a box shows: the title and the text ("message" or "message\ndetail").
struct ErrorBox {
    std::string title;
    std::string text;
    std::int32_t style = kErrorBoxStyle;
};

// Shows a box and returns when the user has closed it. The default writes to stderr; a window
// that can show a modal box, or a test, installs its own.
using ErrorPresenter = std::function<void(const ErrorBox&)>;

// Installs a presenter and returns the previous one; an empty presenter restores the default.
ErrorPresenter setErrorPresenter(ErrorPresenter presenter);

void reportError(std::int32_t code, const char* detail = nullptr);

// A box with a title and text of the caller's own (the plugin entry's two messages), shown
// through the same presenter.
void showMessageBox(const char* title, const char* text, std::int32_t style);

}  // namespace sorvella
