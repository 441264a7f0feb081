#pragma once

#include "Platform/Date.h"

// A clock that moves only when a test moves it.
class ManualClock final : public Clock {
public:
    explicit ManualClock(Date start = Date{700000000}) : current(start) {}
    Date now() const override { return current; }
    void advance(double seconds) { current = current.addingSeconds(seconds); }
    Date current;
};
