#include "editor/special_controls.h"

#include <array>

#include "editor/editor_controls.h"
#include "toolkit/draw_context.h"
#include "toolkit/frame.h"
#include "toolkit/option_menu.h"

namespace sorvella {

namespace {

constexpr CColor kSurface{50, 80, 100, 255};
constexpr CColor kInk{50, 52, 35, 255};
// The envelope editor's own colours, on the page's light skin.
constexpr CColor kEnvGrid{176, 184, 156, 255};
constexpr CColor kEnvLabel{101, 104, 69, 255};
constexpr CColor kEnvDim{150, 158, 124, 255};
constexpr CColor kEnvNormal{50, 52, 35, 255};
constexpr CColor kEnvLoop{184, 92, 24, 255};
constexpr CColor kEnvLoopBand{214, 222, 192, 255};
constexpr CColor kEnvHighlight{184, 92, 24, 255};
// The formant editor's.
constexpr CColor kFormantGrid{101, 104, 69, 255};
constexpr CColor kFormantOther{125, 132, 90, 255};
constexpr CColor kFormantSelected{50, 52, 35, 255};
constexpr CColor kFormantHeader{145, 168, 111, 255};

CRect toCRect(const PixelRect& r, CPoint origin) {
    return CRect::fromSize(r.left + origin.h, r.top + origin.v, r.width, r.height);
}
CPoint toCPoint(PixelPoint p, CPoint origin) {
    return {p.x + origin.h, p.y + origin.v};
}
PixelPoint local(const CPoint& where, const CRect& size) {
    return {where.h - size.left, where.v - size.top};
}

void drawPolyline(CDrawContext* context, const std::vector<PixelPoint>& points, CPoint origin) {
    if (points.empty()) return;
    context->moveTo(toCPoint(points.front(), origin));
    for (std::size_t i = 1; i < points.size(); ++i)
        context->lineTo(toCPoint(points[i], origin));
}

// The page's skin under a control, as the special controls show it behind their drawing.
void drawSurface(CControl& control, CDrawContext* context) {
    context->setFillColor(kSurface);
    context->fillRect(control.getViewSize());
    control.drawBackgroundBehind(context);
}

}  // namespace

// Envelope editor.

EnvSegment32::EnvSegment32(const CRect& size, CControlListener* listener, std::int32_t tag,
                           MyVsti& instrument)
    : CControl(size, listener, tag), model_(instrument, size.width(), size.height()) {}

void EnvSegment32::draw(CDrawContext* context) {
    model_.pull();
    const CPoint o = size.topLeft();
    drawSurface(*this, context);
    context->setClipRect(size);
    context->setFont(kNormalFontVerySmall);
    std::array<std::int32_t, EnvelopeEditorModel::kCurveCount> widths{};
    for (std::int32_t c = 0; c < EnvelopeEditorModel::kCurveCount; ++c)
        widths[static_cast<std::size_t>(c)] = context->getStringWidth(model_.curveName(c));
    model_.layoutTabs(widths);

    // The sustain loop's band behind everything.
    const MyEnvData& shown = model_.curve(model_.selected());
    context->setFillColor(kEnvLoopBand);
    context->fillRect({o.h + model_.loopBandLeft(), o.v + EnvelopeEditorModel::kTopMargin,
                       o.h + model_.loopBandRight() + 1,
                       o.v + size.height() - EnvelopeEditorModel::kBottomMargin});

    model_.timeGrid(grid_);
    const std::int32_t gridBottom = size.height() - EnvelopeEditorModel::kBottomMargin;
    for (const TimeGridLine& line : grid_) {
        context->setFrameColor(kEnvGrid);
        context->setLineStyle(kLineOnOffDash);
        context->drawLine({o.h + line.x, o.v + EnvelopeEditorModel::kTopMargin},
                          {o.h + line.x, o.v + gridBottom});
        context->setLineStyle(kLineSolid);
        context->setFontColor(kEnvLabel);
        context->drawString(line.label, {o.h + line.x - 16, o.v + gridBottom + 1, o.h + line.x + 16,
                                         o.v + gridBottom + 11});
    }

    for (std::int32_t c = 0; c < EnvelopeEditorModel::kCurveCount; ++c) {
        if (c == model_.selected()) continue;
        context->setFrameColor(kEnvDim);
        for (std::int32_t s = 0; s < model_.curve(c).pointCount(); ++s) {
            model_.segmentPath(c, s, path_);
            drawPolyline(context, path_, o);
        }
    }

    const std::int32_t selected = model_.selected();
    context->setFillColor(kEnvNormal);
    context->fillRect(toCRect(model_.originHandle(), o));
    for (std::int32_t s = 0; s < shown.pointCount(); ++s) {
        // Segment s ends at point s; those from the loop's start to its end repeat.
        const bool inLoop = s + 1 > shown.loopStart() && s + 1 <= shown.loopEnd();
        const CColor colour = inLoop ? kEnvLoop : kEnvNormal;
        context->setFrameColor(colour);
        model_.segmentPath(selected, s, path_);
        drawPolyline(context, path_, o);
        context->setFillColor(colour);
        context->fillRect(toCRect(model_.pointHandle(s), o));
        context->drawRect(toCRect(model_.curveHandle(s), o));
    }
    context->setFillColor(kEnvLoop);
    context->fillRect(toCRect(model_.loopStartMarker(), o));
    context->fillRect(toCRect(model_.loopEndMarker(), o));

    for (std::int32_t c = 0; c < EnvelopeEditorModel::kCurveCount; ++c) {
        const CColor colour = c == selected ? kEnvHighlight : kEnvNormal;
        const CRect tab = toCRect(model_.tab(c), o);
        context->setFrameColor(colour);
        context->drawRect(tab);
        context->setFontColor(colour);
        context->drawString(model_.curveName(c), tab);
    }
    context->resetClipRect();
    setDirty(false);
}

void EnvSegment32::mouse(CDrawContext* context, CPoint& where, int32_t buttons) {
    if (!getMouseEnabled()) return;
    if (buttons == -1) buttons = context->getMouseButtons();
    const MouseButtons pressed = mouseButtonsOf(buttons);
    if (pressed.onlyRight()) {
        if (model_.pressRight(local(where, size))) draw(context);
        return;
    }
    if (!pressed.onlyLeft()) return;
    beginEdit();
    model_.pressLeft(local(where, size));
    draw(context);
    CPoint pointer = where;
    while (model_.dragging()) {
        doIdleStuff();
        if (!(context->getMouseButtons() & kLButton)) break;
        context->getMouseLocation(pointer);
        if (model_.dragTo(local(pointer, size))) draw(context);
    }
    model_.release();
    draw(context);
    notifyListener(context);
    endEdit();
}

// XY pad.

XYcontrol::XYcontrol(const CRect& size, CControlListener* listener, std::int32_t tag)
    : CControl(size, listener, tag), model_(size.width(), size.height()) {}

void XYcontrol::draw(CDrawContext* context) {
    const CPoint o = size.topLeft();
    drawSurface(*this, context);
    const auto trail = model_.trailOldestFirst();
    for (std::int32_t age = 0; age < XYPadModel::kTrailLength; ++age) {
        const Rgb c = XYPadModel::trailColour(age);
        context->setFrameColor({c.red, c.green, c.blue, 255});
        context->drawEllipse(toCRect(trail[static_cast<std::size_t>(age)], o));
    }
    context->setFrameColor(kInk);
    const Rgb dot = XYPadModel::kDotFill;
    context->setFillColor({dot.red, dot.green, dot.blue, 255});
    context->drawEllipse(toCRect(model_.cursor(), o), kDrawFilled);
    setDirty(false);
}

void XYcontrol::mouse(CDrawContext* context, CPoint& where, int32_t buttons) {
    if (!getMouseEnabled()) return;
    if (buttons == -1) buttons = context->getMouseButtons();
    if (buttons == kRButton) {
        CFrame* frame = getFrame();
        if (!menu_ || !frame) return;
        const CPoint at = getFrameOrigin();
        menu_->popup(context, {at.h + where.h, at.v + where.v});
        // The report of a settings choice carries no movement.
        model_.beginSettingsReport();
        notifyListener(context);
        model_.endSettingsReport();
        return;
    }
    const bool ctrlClick = buttons == (kLButton | kControl);
    if (buttons != kLButton && !ctrlClick) return;
    beginEdit();
    model_.beginTrack(ctrlClick ? model_.centre() : local(where, size));
    CPoint pointer = where;
    while (model_.tracking()) {
        doIdleStuff();
        std::int32_t now = context->getMouseButtons();
        context->getMouseLocation(pointer);
        // A Ctrl-click glides to the centre whatever the pointer does.
        if (ctrlClick && (now & kLButton)) now = kLButton;
        const PixelPoint at = ctrlClick ? model_.centre() : local(pointer, size);
        if (model_.trackPass(mouseButtonsOf(now), at)) {
            draw(context);
            notifyListener(context);
        }
    }
    endEdit();
}

// Formant editor.

FormantsEditor::FormantsEditor(const CRect& size, CControlListener* listener, std::int32_t tag,
                               MyVsti& instrument, PixelRect graph, PixelRect table)
    : CControl(size, listener, tag), model_(instrument, graph, table) {}

void FormantsEditor::draw(CDrawContext* context) {
    const CPoint o = size.topLeft();
    drawSurface(*this, context);
    context->setClipRect(size);
    const PixelRect& graph = model_.graph();
    context->setFont(kNormalFontVerySmall);
    model_.frequencyGrid(grid_);
    context->setFrameColor(kFormantGrid);
    context->setFontColor(kFormantGrid);
    char text[32];
    for (const FrequencyGridLine& line : grid_) {
        context->setLineStyle(kLineOnOffDash);
        context->drawLine({o.h + line.x, o.v + graph.top}, {o.h + line.x, o.v + graph.bottom()});
        context->setLineStyle(kLineSolid);
        std::snprintf(text, sizeof text, "%d", static_cast<int>(line.hertz));
        context->drawString(text, {o.h + line.x - 16, o.v + graph.bottom() - 14, o.h + line.x + 16,
                                   o.v + graph.bottom() - 2});
    }
    for (float db : FormantEditorModel::kLevelGridDb) {
        const std::int32_t y = o.v + model_.yOfDb(db);
        context->setLineStyle(kLineOnOffDash);
        context->drawLine({o.h + graph.left, y}, {o.h + graph.right() - 1, y});
        context->setLineStyle(kLineSolid);
    }
    if (model_.attached()) {
        context->setClipRect(toCRect(graph, o));
        for (std::int32_t k = 0; k <= kFormantCount; ++k) {
            // The selected formant last, above the others.
            const std::int32_t formant = k < kFormantCount ? k : model_.selected();
            if (k < kFormantCount && k == model_.selected()) continue;
            context->setFrameColor(k < kFormantCount ? kFormantOther : kFormantSelected);
            model_.responseCurve(formant, curve_);
            drawPolyline(context, curve_, o);
        }
        context->setClipRect(size);
        for (std::int32_t row = 0; row < FormantEditorModel::kRows; ++row) {
            for (std::int32_t column = 0; column < FormantEditorModel::kColumns; ++column) {
                const CRect cell = toCRect(model_.cell(row, column), o);
                if (row == 0) {
                    context->setFillColor(kFormantHeader);
                    context->fillRect(cell);
                }
                context->setFrameColor(kFormantGrid);
                context->drawRect(cell);
                model_.cellText(row, column, text, sizeof text);
                context->setFontColor(row == model_.selected() + 1 ? kInk : kFormantGrid);
                context->drawString(text, cell);
            }
        }
    }
    context->setFrameColor(kFormantGrid);
    context->drawRect(toCRect(graph, o));
    context->resetClipRect();
    setDirty(false);
}

void FormantsEditor::mouse(CDrawContext* context, CPoint& where, int32_t buttons) {
    if (!getMouseEnabled()) return;
    if (buttons == -1) buttons = context->getMouseButtons();
    beginEdit();
    model_.press(local(where, size), mouseButtonsOf(buttons));
    draw(context);
    CPoint pointer = where;
    while (true) {
        doIdleStuff();
        const std::int32_t now = context->getMouseButtons();
        context->getMouseLocation(pointer);
        if (!model_.pass(local(pointer, size), mouseButtonsOf(now))) break;
        draw(context);
    }
    draw(context);
    notifyListener(context);
    endEdit();
}

}  // namespace sorvella
