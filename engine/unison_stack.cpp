#include "engine/unison_stack.h"

namespace sorvella {

namespace {

using stack_detail::stackSample;

template <bool kFeedback, bool kPairs>
float stackOf(const StackWave& wave, UnisonStack& st, float fm, int count) {
    switch (count) {
        case 1:
            return stackSample<1, kFeedback, kPairs>(wave, st, fm);
        case 2:
            return stackSample<2, kFeedback, kPairs>(wave, st, fm);
        case 3:
            return stackSample<3, kFeedback, kPairs>(wave, st, fm);
        case 4:
            return stackSample<4, kFeedback, kPairs>(wave, st, fm);
        case 5:
            return stackSample<5, kFeedback, kPairs>(wave, st, fm);
        case 6:
            return stackSample<6, kFeedback, kPairs>(wave, st, fm);
        case 7:
            return stackSample<7, kFeedback, kPairs>(wave, st, fm);
        default:
            return stackSample<8, kFeedback, kPairs>(wave, st, fm);
    }
}

}  // namespace

// With no feedback the read argument is the phase itself: out·(±0) + phase == phase for the
// finite outputs a table read gives.
float runStack(const StackWave& wave, UnisonStack& st, float fm, int count) {
    if (fm == 0.0f) {
        return wave.pairs ? stackOf<false, true>(wave, st, fm, count)
                          : stackOf<false, false>(wave, st, fm, count);
    }
    return wave.pairs ? stackOf<true, true>(wave, st, fm, count)
                      : stackOf<true, false>(wave, st, fm, count);
}

}  // namespace sorvella
