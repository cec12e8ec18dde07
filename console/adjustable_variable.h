// AdjustableVariable: an experiment variable bound by reference, with a label, a permitted Range
// and two step sizes, that the observer changes from the console while the stimulus runs.
#pragma once

#include "geometry/range.h"

#include <string>

namespace Lumidraft {

class AdjustableVariable {
public:
    AdjustableVariable() = default;
    AdjustableVariable(const AdjustableVariable&) = delete;
    AdjustableVariable& operator=(const AdjustableVariable&) = delete;
    virtual ~AdjustableVariable() = default;

    // The bound variable.
    virtual void* address() = 0;
    // The console row at (x, y): label, then the value right-aligned in the value column.
    virtual void draw(double x, double y, bool selected) = 0;
    virtual void setLabel(const std::string& label) = 0;
    // Copies the range's two bounds.
    virtual void setRange(const Range& range) = 0;
    virtual void setShiftStep(double step) = 0;
    virtual void setStep(double step) = 0;
    // One step down or up; refused as a whole when the result would leave the range.
    virtual void decrement(bool shiftHeld) = 0;
    virtual void increment(bool shiftHeld) = 0;
};

// T is int or double.
template <typename T>
class Adjustable : public AdjustableVariable {
public:
    explicit Adjustable(T& variable) : value(&variable) {}

    void* address() override { return value; }
    void draw(double x, double y, bool selected) override;
    void setLabel(const std::string& text) override { label = text; }
    void setRange(const Range& other) override;
    // For int the step is truncated toward zero.
    void setShiftStep(double s) override;
    void setStep(double s) override;
    void decrement(bool shiftHeld) override;
    void increment(bool shiftHeld) override;

    T* value;
    // Zero until given, so a key on an entry without steps changes nothing.
    T shiftStep{};
    T step{};
    Range range;
    std::string label = "Untitled";

private:
    void move(bool shiftHeld, int direction);
};

extern template class Adjustable<int>;
extern template class Adjustable<double>;

} // namespace Lumidraft
