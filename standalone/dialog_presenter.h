// The standalone program's error boxes: a real dialog through zenity or kdialog, started as a
// child process, and the message on stderr as well, so it also reaches a terminal or a log.
#pragma once

#include <string>
#include <vector>

#include "platform/error_box.h"

namespace sorvella {

std::vector<std::string> zenityMessageCommand(const ErrorBox& box);
std::vector<std::string> kdialogMessageCommand(const ErrorBox& box);

// Shows the box and returns when the user closed it; without a display or a dialog program the
// message goes to stderr alone.
void presentWithDialog(const ErrorBox& box);

}  // namespace sorvella
