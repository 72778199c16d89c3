// The voice's block kernels: templates over the lane type, the number of unison copies and the
// feedback settings. Each choice of copies is instantiated in a file of its own
// (voice_kernels_*.cpp) so that builds compile them side by side; only those files include this
// header.
#pragma once

#include <algorithm>

#include "engine/voice.h"

namespace sorvella {

// The envelopes of up to `group` samples from sample j, stopping after the sample on which the
// voice finishes; they come before the stacks because they decide which sample is the last.
[[gnu::always_inline]] inline int MyNote::envelopeGroup(BlockScratch& s, int j, int group) {
    // Four samples inside every runner's segment: the three side by side. The voice plays on
    // through them (at least one runner sounds), so it is armed and not finished after them.
    if (group == 4 && env1_.steadyForFour() && env2_.steadyForFour() && env3_.steadyForFour() &&
        (env1_.active() | env2_.active() | env3_.active()) != 0) {
        EnvRunner::nextFour(env1_, env2_, env3_, s.env1 + j, s.env2 + j, blockEnv3_ + j);
        envValue1_ = s.env1[j + 3];
        envValue2_ = s.env2[j + 3];
        envValue3_ = blockEnv3_[j + 3];
        armed = true;
        return 4;
    }
    int k = 0;
    while (k < group) {
        advanceEnvelopes();
        s.env1[j + k] = envValue1_;
        s.env2[j + k] = envValue2_;
        blockEnv3_[j + k] = envValue3_;
        ++k;
        if (finished) break;
    }
    return k;
}

// k samples of the stacks from sample j, each with its own sums.
template <class V, int kCount, bool kFb1, bool kFb2, bool kPairs>
[[gnu::always_inline]] inline void MyNote::stepEach(Stacks<V, kCount>& h, V fm, BlockScratch& s,
                                                    int j, int k) {
    for (int i = j; i < j + k; ++i) {
        tickHeld(h);
        V lanes[2];
#pragma GCC unroll 2
        for (int g = 0; g < h.kGroups; ++g)
            lanes[g] = h.template step<kFb1, kFb2, kPairs>(g, fm);
        stack_detail::sumOne<kCount>(lanes, s.sum1[i], s.sum2[i]);
    }
}

// Four samples of the stacks from sample j, their copies summed down the lanes.
template <class V, int kCount, bool kFb1, bool kFb2, bool kPairs>
[[gnu::always_inline]] inline void MyNote::stepFour(Stacks<V, kCount>& h, V fm, BlockScratch& s,
                                                    int j) {
    V lanes[4][2];
#pragma GCC unroll 4
    for (auto& sample : lanes) {
        tickHeld(h);
#pragma GCC unroll 2
        for (int g = 0; g < h.kGroups; ++g)
            sample[g] = h.template step<kFb1, kFb2, kPairs>(g, fm);
    }
    stack_detail::sumFour<kCount>(lanes, s.sum1 + j, s.sum2 + j);
}

// One voice from sample `from` to `frames` or to its last sample; returns where it stopped.
template <class V, int kCount, bool kFb1, bool kFb2, bool kPairs>
[[gnu::always_inline]] inline int MyNote::runLanes(MyNote& v, BlockScratch& s, int from, int frames,
                                                   float* noise) {
    const V fm = V::halves(F32x4::splat(v.owner_.fm1), F32x4::splat(v.owner_.fm2));
    Stacks<V, kCount> h(v.osc1_, v.osc2_, v.wave1_, v.wave2_);
    LoneNoise lone = v.loneNoise(noise);
    int j = from;
    while (j < frames) {
        // Within their segments the envelopes stay in registers too, group after group; the
        // voice plays on through them (at least one runner sounds), so it is armed.
        if (const int groups = v.steadyGroups((frames - j) / 4); groups > 0) {
            EnvRunner::Trio env(v.env1_, v.env2_, v.env3_);
            for (int g = 0; g < groups; ++g, j += 4) {
                env.four(s.env1 + j, s.env2 + j, v.blockEnv3_ + j);
                lone.draw(v.blockEnv3_, j, 4);
                v.stepFour<V, kCount, kFb1, kFb2, kPairs>(h, fm, s, j);
            }
            env.finish(4 * groups);
            v.leaveSteady(s, j);
            continue;
        }
        const int k = v.envelopeGroup(s, j, std::min(4, frames - j));
        lone.draw(v.blockEnv3_, j, k);
        if (k == 4) {
            v.stepFour<V, kCount, kFb1, kFb2, kPairs>(h, fm, s, j);
        } else {
            v.stepEach<V, kCount, kFb1, kFb2, kPairs>(h, fm, s, j, k);
        }
        j += k;
        if (v.finished) break;
    }
    h.store();
    v.keepNoise(lone);
    return j;
}

// Two voices of the same kind side by side while both last whole groups of four samples. With
// feedback FM each copy waits on its own previous output, so one voice alone leaves the
// processor idle; two interleaved keep it busy.
template <class V, int kCount, bool kFb1, bool kFb2, bool kPairs>
[[gnu::always_inline]] inline MyNote::PairDone MyNote::pairLanes(MyNote& a, MyNote& b,
                                                                 BlockScratch& sa, BlockScratch& sb,
                                                                 int frames) {
    const V fm = V::halves(F32x4::splat(a.owner_.fm1), F32x4::splat(a.owner_.fm2));
    Stacks<V, kCount> ha(a.osc1_, a.osc2_, a.wave1_, a.wave2_);
    Stacks<V, kCount> hb(b.osc1_, b.osc2_, b.wave1_, b.wave2_);
    PairDone done{frames - frames % 4, frames - frames % 4};
    for (int j = 0; j + 4 <= frames; j += 4) {
        const int ka = a.envelopeGroup(sa, j, 4);
        const int kb = b.envelopeGroup(sb, j, 4);
        if (ka == 4 && kb == 4) {
            V la[4][2];
            V lb[4][2];
#pragma GCC unroll 4
            for (int i = 0; i < 4; ++i) {
                a.tickHeld(ha);
#pragma GCC unroll 2
                for (int g = 0; g < ha.kGroups; ++g)
                    la[i][g] = ha.template step<kFb1, kFb2, kPairs>(g, fm);
                b.tickHeld(hb);
#pragma GCC unroll 2
                for (int g = 0; g < hb.kGroups; ++g)
                    lb[i][g] = hb.template step<kFb1, kFb2, kPairs>(g, fm);
            }
            stack_detail::sumFour<kCount>(la, sa.sum1 + j, sa.sum2 + j);
            stack_detail::sumFour<kCount>(lb, sb.sum1 + j, sb.sum2 + j);
        } else {
            a.stepEach<V, kCount, kFb1, kFb2, kPairs>(ha, fm, sa, j, ka);
            b.stepEach<V, kCount, kFb1, kFb2, kPairs>(hb, fm, sb, j, kb);
        }
        if (ka < 4 || kb < 4 || a.finished || b.finished) {
            done = {j + ka, j + kb};
            break;
        }
    }
    ha.store();
    hb.store();
    return done;
}

template <int kCount, bool kFb1, bool kFb2, bool kPairs>
int MyNote::runKernel(MyNote& v, BlockScratch& s, int from, int frames, float* noise) {
    return runLanes<F32x4Pair, kCount, kFb1, kFb2, kPairs>(v, s, from, frames, noise);
}

template <int kCount, bool kFb1, bool kFb2, bool kPairs>
MyNote::PairDone MyNote::pairKernel(MyNote& a, MyNote& b, BlockScratch& sa, BlockScratch& sb,
                                    int frames) {
    return pairLanes<F32x4Pair, kCount, kFb1, kFb2, kPairs>(a, b, sa, sb, frames);
}

#if SORVELLA_WIDE_VECTORS

template <int kCount, bool kFb1, bool kFb2>
[[gnu::target("avx2")]] int MyNote::runKernelWide(MyNote& v, BlockScratch& s, int from, int frames,
                                                  float* noise) {
    return runLanes<F32x8, kCount, kFb1, kFb2, true>(v, s, from, frames, noise);
}

template <int kCount, bool kFb1, bool kFb2>
[[gnu::target("avx2")]] MyNote::PairDone MyNote::pairKernelWide(MyNote& a, MyNote& b,
                                                                BlockScratch& sa, BlockScratch& sb,
                                                                int frames) {
    return pairLanes<F32x8, kCount, kFb1, kFb2, true>(a, b, sa, sb, frames);
}

#endif

template <int kCount, bool kPairs>
void MyNote::chooseKernels() {
    runKernels_[0] = &runKernel<kCount, false, false, kPairs>;
    runKernels_[1] = &runKernel<kCount, true, false, kPairs>;
    runKernels_[2] = &runKernel<kCount, false, true, kPairs>;
    runKernels_[3] = &runKernel<kCount, true, true, kPairs>;
    pairKernels_[0] = &pairKernel<kCount, false, false, kPairs>;
    pairKernels_[1] = &pairKernel<kCount, true, false, kPairs>;
    pairKernels_[2] = &pairKernel<kCount, false, true, kPairs>;
    pairKernels_[3] = &pairKernel<kCount, true, true, kPairs>;
#if SORVELLA_WIDE_VECTORS
    if constexpr (kPairs) {
        if (wideVectorsAvailable()) {
            runKernels_[0] = &runKernelWide<kCount, false, false>;
            runKernels_[1] = &runKernelWide<kCount, true, false>;
            runKernels_[2] = &runKernelWide<kCount, false, true>;
            runKernels_[3] = &runKernelWide<kCount, true, true>;
            pairKernels_[0] = &pairKernelWide<kCount, false, false>;
            pairKernels_[1] = &pairKernelWide<kCount, true, false>;
            pairKernels_[2] = &pairKernelWide<kCount, false, true>;
            pairKernels_[3] = &pairKernelWide<kCount, true, true>;
        }
    }
#endif
}

}  // namespace sorvella
