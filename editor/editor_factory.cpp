#include "editor/editor_factory.h"

#include <new>

#include "editor/my_vsti_editor.h"

namespace sorvella {

EditorFactory sorvellaEditorFactory() {
    return [](MyVsti& instrument) -> InstrumentEditor* {
        return new (std::nothrow) MyVstiEditor(instrument);
    };
}

}  // namespace sorvella
