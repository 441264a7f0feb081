#pragma once

#include "Platform/Date.h"

// A clock that stands still until the test moves it.
class FixedClock final : public Clock {
public:
    explicit FixedClock(double secondsSinceReferenceDate = 700000000) : current{secondsSinceReferenceDate} {}
    Date now() const override { return current; }
    void advance(double seconds) { current = current.addingSeconds(seconds); }

    Date current;
};
