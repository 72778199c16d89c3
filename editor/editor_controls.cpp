#include "editor/editor_controls.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <csignal>

#include "core/parameter_table.h"
#include "toolkit/draw_context.h"
#include "toolkit/frame.h"

extern char** environ;

namespace sorvella {

MouseButtons mouseButtonsOf(std::int32_t buttons) {
    MouseButtons b;
    b.left = (buttons & kLButton) != 0;
    b.right = (buttons & kRButton) != 0;
    b.shift = (buttons & kShift) != 0;
    b.control = (buttons & kControl) != 0;
    b.alt = (buttons & kAlt) != 0;
    return b;
}

RZ_CParamDisplay::RZ_CParamDisplay(const CRect& size, std::int32_t tag, ValueDisplaySource& source)
    : CParamDisplay(size, nullptr, 0), source_(source) {
    setTag(tag);
}

std::string RZ_CParamDisplay::displayText() const {
    char text[64] = {};
    source_.displayText(getTag() - kNumParams, text, sizeof text);
    return text;
}

void RZ_CParamDisplay::mouse(CDrawContext* context, CPoint&, int32_t buttons) {
    if (!getMouseEnabled()) return;
    if (buttons == -1) buttons = context->getMouseButtons();
    source_.displayClicked(getTag(), mouseButtonsOf(buttons));
}

namespace {

// Each a 5-pixel band over one line of the panel's credits text.
constexpr CRect kLinkAreas[3] = {{75, 16, 226, 21}, {75, 32, 192, 37}, {75, 48, 188, 53}};
constexpr CRect kVersionArea{75, 55, 123, 62};

}  // namespace

std::int32_t creditsLinkAt(CPoint relative) {
    for (std::int32_t i = 0; i < 3; ++i) {
        if (kLinkAreas[i].pointInside(relative)) return i;
    }
    return -1;
}

bool openWebPage(const char* address) {
    // The shell puts xdg-open in the background and exits at once, so the browser is never our
    // child and the window's thread waits only for the shell.
    char shell[] = "/bin/sh";
    char dashC[] = "-c";
    char script[] = "xdg-open \"$1\" >/dev/null 2>&1 </dev/null &";
    char name[] = "sh";
    char* argv[] = {shell, dashC, script, name, const_cast<char*>(address), nullptr};
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, shell, nullptr, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0) return false;
    int status = 0;
    pid_t waited;
    do {
        waited = ::waitpid(pid, &status, 0);
    } while (waited < 0 && errno == EINTR);
    return waited == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

MyCSplashScreen::MyCSplashScreen(const CRect& logo, CControlListener* listener, std::int32_t tag,
                                 CBitmap* panel, const CRect& toDisplay)
    : CSplashScreen(logo, listener, tag, panel, toDisplay) {}

void MyCSplashScreen::draw(CDrawContext* context) {
    CSplashScreen::draw(context);
    if (value_ != 1.0f) return;
    context->setFont(kNormalFontVerySmall);
    context->setFontColor(kWhiteCColor);
    CRect version = kVersionArea;
    version.offset(displayArea().left, displayArea().top);
    context->drawString("1.5", version, false, kCenterText);
}

void MyCSplashScreen::mouse(CDrawContext* context, CPoint& where, int32_t buttons) {
    if (buttons == -1) buttons = context->getMouseButtons();
    const bool wasOpen = value_ != 0.0f;
    CSplashScreen::mouse(context, where, buttons);
    if (!wasOpen || value_ != 0.0f || buttons != kLButton) return;
    const CPoint relative{where.h - displayArea().left, where.v - displayArea().top};
    const std::int32_t link = creditsLinkAt(relative);
    if (link >= 0) openWebPage(kCreditsLinks[link]);
}

void ReleaseButton::mouse(CDrawContext* context, CPoint& where, int32_t buttons) {
    if (!getMouseEnabled()) return;
    if (buttons == -1) buttons = context->getMouseButtons();
    if (!(buttons & kLButton)) return;
    beginEdit();
    value_ = 1.0f;
    draw(context);
    notifyListener(context);
    CPoint pointer = where;
    bool inside = true;
    while (true) {
        doIdleStuff();
        if (!(context->getMouseButtons() & kLButton)) break;
        context->getMouseLocation(pointer);
        inside = size.pointInside(pointer);
        const float shown = inside ? 1.0f : 0.0f;
        if (shown != value_) {
            value_ = shown;
            draw(context);
        }
    }
    value_ = 0.0f;
    draw(context);
    if (inside) notifyListener(context);
    endEdit();
}

}  // namespace sorvella
