#include "tests/plugin/plugin_fixture.h"

#include <cmath>

namespace sorvella::test {

bool openStarted(TestHost& host, float rate) {
    if (!host.open()) return false;
    host.start(rate, 512);
    return true;
}

void voicesOnly(TestHost& host) {
    host.setParameter(kMixBreath, 0.0f);
    host.setParameter(kReverbMix, 0.0f);
}

bool openVoicesOnly(TestHost& host) {
    if (!openStarted(host)) return false;
    voicesOnly(host);
    return true;
}

void plainTone(TestHost& host) {
    voicesOnly(host);
    host.setParameter(kUnisonNotes, 0.0f);
    host.setParameter(kUnisonDetune, 0.0f);
    host.setParameter(kOsc2Detune, 0.5f);
    host.setParameter(kGranularLevel, 0.0f);
    host.setParameter(kChorusSpeed, 0.0f);
    host.setParameter(kChorusDepth, 0.0f);
}

double noteHz(int note) {
    return 220.0 * std::pow(2.0, (note - 69) / 12.0);
}

}  // namespace sorvella::test
