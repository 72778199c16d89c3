#include "engine/env_data.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace sorvella {

namespace {

constexpr std::int32_t kEnvDataVersion = 1;
// Keeps 20 * capacity + 16 bytes far inside the int32 range.
constexpr std::int32_t kMaxCapacity = 4096;
constexpr float kDefaultLevels[] = {1.0f, 0.5f, 0.35f, 0.15f};
constexpr std::int32_t kDefaultPointCount = 5;

float curveNormFor(float k) {
    return 1.0f / (std::exp2(k) - 1.0f);
}

}  // namespace

MyEnvData::MyEnvData(std::string name, std::int32_t capacity)
    : MyMetaParam(kEnvDataVersion),
      capacity_(std::clamp(capacity, std::int32_t{1}, kMaxCapacity)),
      name_(std::move(name)),
      pointCount_(std::min(kDefaultPointCount, capacity_)),
      durations_(static_cast<std::size_t>(capacity_), 300.0f),
      levels_(static_cast<std::size_t>(capacity_), 0.0f),
      curves_(static_cast<std::size_t>(capacity_), 1.0f),
      startTimes_(static_cast<std::size_t>(capacity_) + 1, 0.0f),
      curveNorms_(static_cast<std::size_t>(capacity_), 1.0f) {
    for (std::size_t i = 0; i < std::size(kDefaultLevels) && i < levels_.size(); ++i) {
        levels_[i] = kDefaultLevels[i];
    }
    keepLoopValid();
    updateStartTimes(0);
}

void MyEnvData::updateStartTimes(std::int32_t from) {
    if (from < 0 || from > pointCount_) return;
    float sum = startTimes_[from];
    for (std::int32_t j = from; j <= pointCount_; ++j) {
        startTimes_[j] = sum;
        if (j < pointCount_) sum += durations_[j];
    }
}

void MyEnvData::setDuration(std::int32_t i, float milliseconds) {
    if (i < 0 || i >= pointCount_ || !std::isfinite(milliseconds)) return;
    durations_[i] = std::clamp(milliseconds, -kMaxDurationMs, kMaxDurationMs);
    updateStartTimes(i);
}

void MyEnvData::setLevel(std::int32_t i, float level) {
    if (i < 0 || i >= pointCount_ || !std::isfinite(level)) return;
    levels_[i] = std::clamp(level, -kMaxLevel, kMaxLevel);
}

void MyEnvData::setCurveFromHandle(std::int32_t i, float y) {
    if (i < 0 || i >= pointCount_ || !std::isfinite(y)) return;
    const float a = i == 0 ? 0.0f : levels_[i - 1];
    const float b = levels_[i];
    if (a == b) return;
    y = std::clamp(y, 0.0f, 1.0f);
    const float t = std::clamp((y - a) / (b - a), 0.0001f, 0.9999f);
    const float d = t - 0.5f;
    const float c = d * d * d;
    // The two halves of the handle's travel bend with different strengths.
    const float k = d > 0.0f ? -0.02f - 480.0f * c : 0.02f - 960.0f * c;
    curves_[i] = k;
    curveNorms_[i] = curveNormFor(k);
}

bool MyEnvData::insertPoint(float timeMs, float level) {
    if (pointCount_ >= capacity_ || !(timeMs >= 0.0f) || !std::isfinite(timeMs) ||
        !std::isfinite(level)) {
        return false;
    }
    std::int32_t n = 0;
    float start = 0.0f;
    for (; n < pointCount_; ++n) {
        const float end = start + durations_[n];
        if (end > timeMs) break;
        start = end;
    }
    // A point after the last one ends the curve, and curves end in silence.
    if (n == pointCount_) level = 0.0f;
    const float duration = timeMs - start;
    if (duration > kMaxDurationMs) return false;

    for (std::int32_t j = pointCount_; j > n; --j) {
        durations_[j] = durations_[j - 1];
        curves_[j] = curves_[j - 1];
        curveNorms_[j] = curveNorms_[j - 1];
        levels_[j] = levels_[j - 1];
    }
    ++pointCount_;
    durations_[n] = duration;
    if (n + 1 < pointCount_) durations_[n + 1] -= duration;
    levels_[n] = std::clamp(level, -kMaxLevel, kMaxLevel);
    curves_[n] = 1.0f;
    curveNorms_[n] = 1.0f;
    updateStartTimes(n);

    if (n < loopStart_) {
        ++loopStart_;
    } else if (n < loopEnd()) {
        ++loopLength_;
    }
    keepLoopValid();
    return true;
}

bool MyEnvData::removePoint(std::int32_t i) {
    if (i < 0 || i >= pointCount_) return false;
    if (i + 1 < loopStart_) {
        --loopStart_;
    } else if (i < loopEnd()) {
        --loopLength_;
    }
    // Later points keep their times to within a millisecond.
    const float removed = std::trunc(durations_[i]);
    const bool hasFollowing = i + 1 < pointCount_;
    for (std::int32_t j = i; j + 1 < pointCount_; ++j) {
        durations_[j] = durations_[j + 1];
        curves_[j] = curves_[j + 1];
        curveNorms_[j] = curveNorms_[j + 1];
        levels_[j] = levels_[j + 1];
    }
    if (hasFollowing) {
        durations_[i] = std::clamp(durations_[i] + removed, -kMaxDurationMs, kMaxDurationMs);
    }
    --pointCount_;
    updateStartTimes(i);
    keepLoopValid();
    return true;
}

bool MyEnvData::setLoop(std::int32_t loopStart, std::int32_t loopLength) {
    if (loopStart < 0 || loopLength < 1 || loopLength > pointCount_ - loopStart) return false;
    loopStart_ = loopStart;
    loopLength_ = loopLength;
    return true;
}

void MyEnvData::keepLoopValid() {
    if (pointCount_ == 0) {
        loopStart_ = 0;
        loopLength_ = 0;
        return;
    }
    loopStart_ = std::clamp(loopStart_, std::int32_t{0}, pointCount_ - 1);
    loopLength_ = std::clamp(loopLength_, std::int32_t{1}, pointCount_ - loopStart_);
}

std::int32_t MyEnvData::serialisedSize(std::int32_t) const {
    return 20 * capacity_ + 16;
}

void MyEnvData::write(ByteWriter& cursor) const {
    cursor.putInt(pointCount_);
    cursor.putInt(loopStart_);
    cursor.putInt(loopLength_);
    for (float v : durations_)
        cursor.putFloat(v);
    for (float v : levels_)
        cursor.putFloat(v);
    for (float v : curves_)
        cursor.putFloat(v);
    for (float v : startTimes_)
        cursor.putFloat(v);
    for (float v : curveNorms_)
        cursor.putFloat(v);
}

bool MyEnvData::slotValid(float duration, float level, float curve, float curveNorm) {
    if (!(std::fabs(duration) <= kMaxDurationMs) || !(std::fabs(level) <= kMaxLevel)) return false;
    const float magnitude = std::fabs(curve);
    if (!(magnitude >= kMinCurve && magnitude <= kMaxCurve) || !std::isfinite(curveNorm)) {
        return false;
    }
    // The runner scales each segment by curveNorm and lets it grow by about 2^k; a norm that does
    // not belong to k would overshoot without bound.
    const double expected = 1.0 / (std::exp2(static_cast<double>(curve)) - 1.0);
    return std::fabs(static_cast<double>(curveNorm) - expected) <= 1e-3 * std::fabs(expected);
}

bool MyEnvData::read(ByteReader& cursor, std::int32_t) {
    const auto size = static_cast<std::size_t>(serialisedSize(kEnvDataVersion));
    if (cursor.remaining() < size) {
        cursor.skip(size);
        return false;
    }
    const auto slots = static_cast<std::size_t>(capacity_);

    // Validate on a copy of the cursor first, so that a bad record changes nothing.
    ByteReader check = cursor;
    const std::int32_t pointCount = check.getInt();
    const std::int32_t loopStart = check.getInt();
    const std::int32_t loopLength = check.getInt();
    bool valid = pointCount >= 0 && pointCount <= capacity_;
    if (pointCount == 0) {
        valid = valid && loopStart == 0 && loopLength == 0;
    } else {
        valid = valid && loopStart >= 0 && loopLength >= 1 && loopLength <= pointCount - loopStart;
    }
    const std::size_t levelsAt = 12 + 4 * slots;
    const std::size_t curvesAt = 12 + 8 * slots;
    const std::size_t startTimesAt = 12 + 12 * slots;
    const std::size_t curveNormsAt = 16 + 16 * slots;
    ByteReader levels = cursor, curves = cursor, norms = cursor;
    levels.skip(levelsAt);
    curves.skip(curvesAt);
    norms.skip(curveNormsAt);
    for (std::size_t i = 0; valid && i < slots; ++i) {
        valid = slotValid(check.getFloat(), levels.getFloat(), curves.getFloat(), norms.getFloat());
    }
    ByteReader starts = cursor;
    starts.skip(startTimesAt);
    const float maxStartTime = static_cast<float>(capacity_ + 1) * kMaxDurationMs;
    for (std::size_t i = 0; valid && i <= slots; ++i) {
        valid = std::fabs(starts.getFloat()) <= maxStartTime;
    }
    if (!valid) {
        cursor.skip(size);
        return false;
    }

    pointCount_ = cursor.getInt();
    loopStart_ = cursor.getInt();
    loopLength_ = cursor.getInt();
    for (float& v : durations_)
        v = cursor.getFloat();
    for (float& v : levels_)
        v = cursor.getFloat();
    for (float& v : curves_)
        v = cursor.getFloat();
    for (float& v : startTimes_)
        v = cursor.getFloat();
    for (float& v : curveNorms_)
        v = cursor.getFloat();
    return true;
}

}  // namespace sorvella
