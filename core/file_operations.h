// The editor's file buttons: each asks for a file (the host's selector or a dialog of our own)
// and then loads or saves it. A cancelled selection ends the operation without a message. The
// owner is the window the dialog belongs to.
#pragma once

namespace sorvella {

class MyVsti;

bool loadBank(MyVsti& instrument, void* owner);
bool saveBank(MyVsti& instrument, void* owner);
bool loadPatch(MyVsti& instrument, void* owner);
bool savePatch(MyVsti& instrument, void* owner);
// The title names the tuning in force.
bool loadTuning(MyVsti& instrument, void* owner);

}  // namespace sorvella
