// The range of values a step accepts for one of its parameters. Each range is declared once,
// in the step's header, for the console's checks and the window's controls alike.
#pragma once

namespace velmora {

template <typename T> struct ValueRange {
    T minimum;
    T maximum;
    // Written so that NaN is outside every range.
    constexpr bool Contains(T value) const { return value >= minimum && value <= maximum; }
};

} // namespace velmora
