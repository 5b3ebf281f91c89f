#pragma once

#include <cstdint>

#include "model/Clock.h"

namespace TestSupport {

// Fixes the model's clock for one scope.
class ClockOverride {
public:
    explicit ClockOverride(std::int64_t now) {
        s_now = now;
        m_previous = Tarnwick::PasswordADT::SetTimeSource([] { return s_now; });
    }
    ~ClockOverride() { Tarnwick::PasswordADT::SetTimeSource(m_previous); }
    void Set(std::int64_t now) { s_now = now; }

private:
    static inline std::int64_t s_now = 0;
    Tarnwick::PasswordADT::TimeSource m_previous;
};

} // namespace TestSupport
