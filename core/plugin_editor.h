// The editor the plugin library gives its instruments. The library is linked with one definition:
// the editor window's factory, or an empty one for a build without an editor.
#pragma once

#include "core/instrument_editor.h"

namespace sorvella {

EditorFactory pluginEditorFactory();

}  // namespace sorvella
