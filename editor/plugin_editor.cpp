// The plugin library's instruments show the editor window.
#include "core/plugin_editor.h"
#include "editor/editor_factory.h"

namespace sorvella {

EditorFactory pluginEditorFactory() {
    return sorvellaEditorFactory();
}

}  // namespace sorvella
