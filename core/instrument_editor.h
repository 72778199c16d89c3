// What the instrument asks of its editor, beyond the framework's window operations. The
// instrument is built with an editor factory; built without one it has no editor.
#pragma once

#include <functional>

#include "platform/vst2/audio_effect.h"

namespace sorvella {

class MyVsti;

class InstrumentEditor : public vst2::AEffEditor {
  public:
    // False when the editor could not get ready (e.g. artwork that did not load).
    virtual bool isReady() const = 0;
    virtual void showProgramName(const char* /*name*/) {}
    virtual void refreshProgramButtons() {}
    virtual void sampleRateChanged(float /*rate*/) {}
    // A controller was assigned or cleared (MIDI learn, possibly on the audio thread): the
    // controller texts of the editor's displays changed.
    virtual void controllerMapChanged() {}
    // The envelope editor's zoom and scroll offset, stored in chunks.
    virtual void viewBlock(float& zoom, float& scroll) const {
        zoom = 0.0f;
        scroll = 0.0f;
    }
    virtual void setViewBlock(float /*zoom*/, float /*scroll*/) {}
};

using EditorFactory = std::function<InstrumentEditor*(MyVsti&)>;

}  // namespace sorvella
