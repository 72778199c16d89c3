// Controls: views with a tag, a value between a minimum and a maximum, a default value, and a
// listener told of every change the user makes.
#pragma once

#include <cstdint>

#include "toolkit/view.h"

namespace sorvella {

class CControl;

class CControlListener {
  public:
    virtual ~CControlListener() = default;
    // context is the one the change was made in (the control may draw into it), or none.
    virtual void valueChanged(CDrawContext* context, CControl* control) = 0;
};

class CControl : public CView {
  public:
    CControl(const CRect& size, CControlListener* listener = nullptr, int32_t tag = 0,
             CBitmap* background = nullptr);

    virtual void setValue(float value) { value_ = value; }
    virtual float getValue() const { return value_; }
    void setMin(float value) { min_ = value; }
    float getMin() const { return min_; }
    void setMax(float value) { max_ = value; }
    float getMax() const { return max_; }
    void setDefaultValue(float value) { default_ = value; }
    float getDefaultValue() const { return default_; }
    void setTag(int32_t tag) { tag_ = tag; }
    int32_t getTag() const { return tag_; }
    void setListener(CControlListener* listener) { listener_ = listener; }
    CControlListener* getListener() const { return listener_; }

    // Keeps the value within min..max.
    void bounceValue();
    // The value as a fraction of min..max (0 when the range is empty).
    float normalizedValue() const;

    // The start and end of a user's change, reported through the frame with the control's tag.
    void beginEdit();
    void endEdit();

  protected:
    // Tells the listener, if any.
    void notifyListener(CDrawContext* context);
    // The stored value itself, whatever getValue() of a derived control answers. A host's thread
    // may set it while the window's thread draws it.
    std::atomic<float> value_{0.0f};

  private:
    CControlListener* listener_ = nullptr;
    int32_t tag_ = 0;
    float min_ = 0.0f;
    float max_ = 1.0f;
    float default_ = 0.5f;
};

}  // namespace sorvella
