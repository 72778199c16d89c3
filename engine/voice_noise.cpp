// The breath noise of a run. All voices draw from the instrument's one generator, sample after
// sample and voice after voice, so each voice's draws are every V-th value of the generator's
// sequence (V voices sounding through the run). A 16-bit linear congruential generator can jump
// V steps at once, which lets eight voices draw and filter side by side in SIMD lanes while
// every draw, filter step and sum stays exactly what the one-by-one loop gives.
#include <algorithm>
#include <array>
#include <cstdint>

#include "engine/simd.h"
#include "engine/voice.h"

namespace sorvella {

#if SORVELLA_SSE2

namespace {

// s -> mul·s + add (mod 2^16) taken `steps` times.
struct NoiseJump {
    std::uint32_t mul = 1;
    std::uint32_t add = 0;
};

// `first` then `second`.
NoiseJump compose(NoiseJump first, NoiseJump second) {
    return {(second.mul * first.mul) & 65535u, (second.mul * first.add + second.add) & 65535u};
}

NoiseJump noiseJump(int steps) {
    NoiseJump result;
    NoiseJump power{kNoiseMultiplier, 1u};
    for (; steps > 0; steps >>= 1) {
        if (steps & 1) result = compose(result, power);
        power = compose(power, power);
    }
    return result;
}

}  // namespace

#endif

void MyNote::renderNoise(MyNote* head, float* noise, int frames) {
    if (head == nullptr) return;
    frames = std::clamp(frames, 0, kMaxBlock);
    std::uint32_t seed = head->owner_.noiseSeed;

    // The voices that draw through the whole run; one that stops inside it changes the stride,
    // and such runs take the plain loop.
    std::array<MyNote*, 256> drawing;
    int count = 0;
    bool whole = true;
    for (MyNote* v = head; v != nullptr; v = v->next) {
        if (v->blockLength_ == 0) continue;
        if (v->blockLength_ != frames || count == static_cast<int>(drawing.size())) {
            whole = false;
            break;
        }
        drawing[static_cast<std::size_t>(count++)] = v;
    }

    if (whole && count == 1) {
        // A lone voice keeps the generator and its filter in registers for the run.
        MyNote* v = drawing[0];
        NoiseFilter f = v->noise_;
        for (int j = 0; j < frames; ++j)
            noise[j] += filteredNoise(f, seed, v->blockEnv3_[j]);
        v->noise_ = f;
        head->owner_.noiseSeed = seed;
        return;
    }
#if SORVELLA_SSE2
    if (whole && count > 1 && frames > 0) {
        renderNoiseLanes(drawing.data(), count, noise, frames);
        return;
    }
#endif
    for (int j = 0; j < frames; ++j) {
        float s = noise[j];
        for (MyNote* v = head; v != nullptr; v = v->next) {
            if (j < v->blockLength_) s += v->noiseWith(v->blockEnv3_[j], seed);
        }
        noise[j] = s;
    }
    head->owner_.noiseSeed = seed;
}

#if SORVELLA_SSE2

namespace {

alignas(16) const float kNoEnvelope[MyNote::kMaxBlock] = {};

}  // namespace

void MyNote::renderNoiseLanes(MyNote* const* voices, int count, float* noise, int frames) {
    VoiceContext& owner = voices[0]->owner_;
    const std::uint32_t start = owner.noiseSeed;
    const NoiseJump stride = noiseJump(count);
    const __m128i strideMul = _mm_set1_epi16(static_cast<std::int16_t>(stride.mul));
    const __m128i strideAdd = _mm_set1_epi16(static_cast<std::int16_t>(stride.add));
    const __m128 scale = _mm_set1_ps(1.0f / 65536.0f);  // exact: a power of two
    const __m128 tiny = _mm_set1_ps(1e-24f);
    const __m128i zero = _mm_setzero_si128();

    // The seed of draw m (m = 0 first) is the generator stepped m + 1 times from start.
    std::uint32_t first = start;
    for (int g = 0; g < count; g += 8) {
        const int lanes = std::min(8, count - g);
        alignas(16) std::uint16_t seeds[8] = {};
        alignas(16) float state[8] = {};
        alignas(16) float last[8] = {};
        alignas(16) float b[8] = {};
        const float* env[8];
        for (int l = 0; l < 8; ++l) {
            if (l < lanes) {
                const MyNote* v = voices[g + l];
                first = nextNoiseSeed(first);
                seeds[l] = static_cast<std::uint16_t>(first);
                state[l] = v->noise_.state;
                last[l] = v->noise_.lastInput;
                b[l] = v->noise_.b;
                env[l] = v->blockEnv3_;
            } else {
                env[l] = kNoEnvelope;
            }
        }
        __m128i s = _mm_load_si128(reinterpret_cast<const __m128i*>(seeds));
        __m128 stLo = _mm_load_ps(state);
        __m128 stHi = _mm_load_ps(state + 4);
        __m128 lastLo = _mm_load_ps(last);
        __m128 lastHi = _mm_load_ps(last + 4);
        const __m128 bLo = _mm_load_ps(b);
        const __m128 bHi = _mm_load_ps(b + 4);

        // One sample of the eight lanes: the contributions of voices g.. at that sample.
        auto step = [&](__m128 eLo, __m128 eHi, __m128& cLo, __m128& cHi) {
            const __m128 rLo = _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpacklo_epi16(s, zero)), scale);
            const __m128 rHi = _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpackhi_epi16(s, zero)), scale);
            stLo = _mm_sub_ps(_mm_mul_ps(_mm_sub_ps(_mm_add_ps(stLo, rLo), lastLo), bLo), tiny);
            stHi = _mm_sub_ps(_mm_mul_ps(_mm_sub_ps(_mm_add_ps(stHi, rHi), lastHi), bHi), tiny);
            lastLo = rLo;
            lastHi = rHi;
            cLo = _mm_mul_ps(stLo, eLo);
            cHi = _mm_mul_ps(stHi, eHi);
            s = _mm_add_epi16(_mm_mullo_epi16(s, strideMul), strideAdd);
        };

        int j = 0;
        for (; j + 4 <= frames; j += 4) {
            __m128 eLo[4];
            __m128 eHi[4];
            for (int t = 0; t < 4; ++t) {
                eLo[t] = _mm_loadu_ps(env[t] + j);
                eHi[t] = _mm_loadu_ps(env[4 + t] + j);
            }
            _MM_TRANSPOSE4_PS(eLo[0], eLo[1], eLo[2], eLo[3]);
            _MM_TRANSPOSE4_PS(eHi[0], eHi[1], eHi[2], eHi[3]);
            __m128 cLo[4];
            __m128 cHi[4];
            for (int t = 0; t < 4; ++t)
                step(eLo[t], eHi[t], cLo[t], cHi[t]);
            // Rows per voice, lanes per sample: each sample's sum takes the voices in order.
            _MM_TRANSPOSE4_PS(cLo[0], cLo[1], cLo[2], cLo[3]);
            _MM_TRANSPOSE4_PS(cHi[0], cHi[1], cHi[2], cHi[3]);
            __m128 acc = _mm_loadu_ps(noise + j);
            for (int l = 0; l < lanes; ++l)
                acc = _mm_add_ps(acc, l < 4 ? cLo[l] : cHi[l - 4]);
            _mm_storeu_ps(noise + j, acc);
        }
        for (; j < frames; ++j) {
            alignas(16) float e[8];
            for (int l = 0; l < 8; ++l)
                e[l] = env[l][j];
            __m128 cLo;
            __m128 cHi;
            step(_mm_load_ps(e), _mm_load_ps(e + 4), cLo, cHi);
            alignas(16) float c[8];
            _mm_store_ps(c, cLo);
            _mm_store_ps(c + 4, cHi);
            float sum = noise[j];
            for (int l = 0; l < lanes; ++l)
                sum += c[l];
            noise[j] = sum;
        }

        _mm_store_ps(state, stLo);
        _mm_store_ps(state + 4, stHi);
        _mm_store_ps(last, lastLo);
        _mm_store_ps(last + 4, lastHi);
        for (int l = 0; l < lanes; ++l) {
            voices[g + l]->noise_.state = state[l];
            voices[g + l]->noise_.lastInput = last[l];
        }
    }

    // The last draw of the run is the last voice's at the last sample.
    const NoiseJump whole = noiseJump(count * frames);
    owner.noiseSeed = (whole.mul * start + whole.add) & 65535u;
}

#endif

}  // namespace sorvella
