// The editor factory that the plugin and the standalone program hand to the instrument.
#pragma once

#include "core/instrument_editor.h"

namespace sorvella {

EditorFactory sorvellaEditorFactory();

}  // namespace sorvella
