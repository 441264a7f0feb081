#pragma once

#include "Platform/CompositorMonitor.h"

// Stands in for the window system reporting that a compositor stopped or
// started; the state from before comes back when the scope ends.
class ScopedCompositing {
public:
    explicit ScopedCompositing(bool compositing) : m_before(CompositorMonitor::shared().isCompositing())
    {
        set(compositing);
    }
    ~ScopedCompositing() { set(m_before); }
    ScopedCompositing(const ScopedCompositing&) = delete;
    ScopedCompositing& operator=(const ScopedCompositing&) = delete;

    void set(bool compositing) { CompositorMonitor::shared().setCompositing(compositing); }

private:
    bool m_before;
};
