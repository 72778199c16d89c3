// An editable breakpoint envelope with curved segments and a sustain loop. Point i and segment i
// are the same thing: segment i runs from the level of point i - 1 (0.0 for i = 0) to levels[i] in
// durations[i] milliseconds, bent by curves[i].
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/meta_param.h"

namespace sorvella {

class MyEnvData : public MyMetaParam {
  public:
    static constexpr std::int32_t kDefaultCapacity = 8;
    // Bounds on what a record may hold. They keep every value the runner derives finite, keep
    // sample counts far below the int32 range and are well beyond anything the editor produces.
    static constexpr float kMaxDurationMs = 600000.0f;  // ten minutes per segment
    static constexpr float kMaxLevel = 16.0f;
    static constexpr float kMinCurve = 0.01f;   // |k| below this makes 1 / (2^k - 1) explode
    static constexpr float kMaxCurve = 125.0f;  // 2^-k stays a normal float

    MyEnvData(std::string name, std::int32_t capacity);

    std::int32_t capacity() const { return capacity_; }
    const std::string& name() const { return name_; }
    std::int32_t pointCount() const { return pointCount_; }
    std::int32_t loopStart() const { return loopStart_; }
    std::int32_t loopLength() const { return loopLength_; }
    std::int32_t loopEnd() const { return loopStart_ + loopLength_; }
    // Arrays of capacity entries (startTimes: capacity + 1).
    const float* durations() const { return durations_.data(); }
    const float* levels() const { return levels_.data(); }
    const float* curves() const { return curves_.data(); }
    const float* startTimes() const { return startTimes_.data(); }
    const float* curveNorms() const { return curveNorms_.data(); }

    void updateStartTimes(std::int32_t from);
    // Editing operations ignore indices outside the points in use and values that are not finite
    // numbers; durations and levels are clamped to the bounds above.
    void setDuration(std::int32_t i, float milliseconds);
    void setLevel(std::int32_t i, float level);
    void setCurveFromHandle(std::int32_t i, float y);
    bool insertPoint(float timeMs, float level);
    bool removePoint(std::int32_t i);
    // Moves the sustain loop; refused (false) unless it covers 1 or more existing segments.
    bool setLoop(std::int32_t loopStart, std::int32_t loopLength);

    std::int32_t serialisedSize(std::int32_t version) const override;
    void write(ByteWriter& cursor) const override;
    // Rejects records with a point count beyond the capacity, a loop outside the points (a curve
    // without points must have loop 0, 0), or any slot holding a value the bounds above exclude.
    bool read(ByteReader& cursor, std::int32_t version) override;

    // Whether one slot's values could have been produced by the editing operations.
    static bool slotValid(float duration, float level, float curve, float curveNorm);

  private:
    // Repairs the loop after removals: a curve with points always has a loop of one segment or
    // more inside them; a curve without points has loop 0, 0.
    void keepLoopValid();

    std::int32_t capacity_;
    std::string name_;
    std::int32_t pointCount_;
    std::int32_t loopStart_ = 1;
    std::int32_t loopLength_ = 2;
    std::vector<float> durations_;
    std::vector<float> levels_;
    std::vector<float> curves_;
    std::vector<float> startTimes_;
    std::vector<float> curveNorms_;
};

}  // namespace sorvella
