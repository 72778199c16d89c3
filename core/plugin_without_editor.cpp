// A plugin library built without the editor: its instruments have none.
#include "core/plugin_editor.h"

namespace sorvella {

EditorFactory pluginEditorFactory() {
    return {};
}

}  // namespace sorvella
