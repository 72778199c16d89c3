// A module that uses the toolkit as the plugin does, for the test that loads and unloads it.
#include <cairo.h>

#include <memory>

#include "toolkit/frame.h"
#include "toolkit/headless_window.h"
#include "toolkit/knob.h"
#include "toolkit/param_display.h"

// Draws a knob and a text in a frame and answers a sum over the picture's pixels.
extern "C" __attribute__((visibility("default"))) long drawWithToolkit() {
    using namespace sorvella;
    CFrame frame({0, 0, 80, 40}, std::make_unique<CHeadlessWindow>());
    auto* knob = new CKnob({2, 2, 38, 38}, nullptr, 0);
    knob->setValue(0.3f);
    frame.addView(knob);
    frame.addView(new CParamDisplay({40, 10, 78, 30}));
    frame.idle();
    cairo_surface_flush(frame.backing());
    const unsigned char* data = cairo_image_surface_get_data(frame.backing());
    long sum = 0;
    for (int i = 0; i < 80 * 40 * 4; ++i)
        sum += data[i];
    return sum;
}
