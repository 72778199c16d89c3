// The editor's three special controls as toolkit views over their models: the envelope editor
// (EnvSegment32), the XY pad of the two vowel morphs (XYcontrol) and the formant editor
// (FormantsEditor). The models hold the state and the gestures; these draw them and run the
// mouse-tracking loops.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "editor/envelope_editor_model.h"
#include "editor/formant_editor_model.h"
#include "editor/xy_pad_model.h"
#include "toolkit/control.h"

namespace sorvella {

class COptionMenu;

class EnvSegment32 : public CControl {
  public:
    EnvSegment32(const CRect& size, CControlListener* listener, std::int32_t tag,
                 MyVsti& instrument);
    EnvelopeEditorModel& model() { return model_; }
    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;

  private:
    EnvelopeEditorModel model_;
    std::vector<PixelPoint> path_;
    std::vector<TimeGridLine> grid_;
};

class XYcontrol : public CControl {
  public:
    XYcontrol(const CRect& size, CControlListener* listener, std::int32_t tag);
    XYPadModel& model() { return model_; }
    const XYPadModel& model() const { return model_; }
    // The settings menu opened by a right click (not owned).
    void setMenu(COptionMenu* menu) { menu_ = menu; }
    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;

  private:
    XYPadModel model_;
    COptionMenu* menu_ = nullptr;
};

class FormantsEditor : public CControl {
  public:
    FormantsEditor(const CRect& size, CControlListener* listener, std::int32_t tag,
                   MyVsti& instrument, PixelRect graph, PixelRect table);
    FormantEditorModel& model() { return model_; }
    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;

  private:
    FormantEditorModel model_;
    std::vector<PixelPoint> curve_;
    std::vector<FrequencyGridLine> grid_;
};

}  // namespace sorvella
