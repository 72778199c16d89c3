// A film-strip knob whose reported value glides to where the mouse puts it in a fixed number of
// equal steps (the inertia level), one step per pass of the mouse-tracking loop. The knob listens
// to its own base: each mouse move restarts a glide from the present value to the new target, and
// every step is reported to the real listener with getValue() answering the gliding value. When
// the button is let go the rest of the glide runs at once, each step drawn and reported.
#pragma once

#include <cstdint>

#include "toolkit/knob.h"

namespace sorvella {

class CInertialAnimKnob : public CAnimKnob, private CControlListener {
  public:
    // Steps per glide for inertia levels 0..5 ("off" to "full"); other levels count as 0.
    static constexpr int32_t kGlideSteps[6] = {1, 8, 16, 25, 32, 40};

    CInertialAnimKnob(const CRect& size, CControlListener* listener, int32_t tag,
                      int32_t subPixmaps, int32_t heightOfOneImage, CBitmap* background,
                      const CPoint& offset = {});

    // A glide in progress keeps its increment and remaining steps.
    void setInertia(int32_t level);
    int32_t glideSteps() const { return glideSteps_; }
    int32_t stepsLeft() const { return stepsLeft_; }

    // From the instrument's side: moves the knob at once; during a glide it moves the glide's
    // starting point, and the glide goes on.
    void setValue(float value) override;
    float getValue() const override { return current_; }

    void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;
    // A wheel notch glides too, at once: nothing would advance a glide left for later.
    bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
    void doIdleStuff() override;

  private:
    void valueChanged(CDrawContext* context, CControl* control) override;
    // Runs the rest of the glide, drawing and reporting every step.
    void finishGlide(CDrawContext* context);
    void report(CDrawContext* context);

    CControlListener* realListener_;
    // setValue() may come from a host's thread during a glide on the window's thread.
    std::atomic<int32_t> stepsLeft_{0};
    int32_t glideSteps_ = 1;
    float glideFactor_ = 1.0f;
    std::atomic<float> increment_{0.0f};
    float target_ = 0.0f;
    std::atomic<float> current_{0.0f};
};

}  // namespace sorvella
