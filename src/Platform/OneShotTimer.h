#pragma once

#include <QTimer>
#include <chrono>
#include <functional>
#include <limits>

// One wait that fires once. Starting again replaces the armed wait.
class OneShotTimer {
public:
    virtual ~OneShotTimer() = default;

    virtual void start(std::chrono::milliseconds delay, std::function<void()> onFire) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
};

// A single-shot precise QTimer: coarse timers may fire up to 5 % early.
class QtOneShotTimer final : public OneShotTimer {
public:
    QtOneShotTimer();

    // QTimer counts in int milliseconds; longer waits are cut to this.
    static constexpr std::chrono::milliseconds longestWait{std::numeric_limits<int>::max()};

    void start(std::chrono::milliseconds delay, std::function<void()> onFire) override;
    void stop() override;
    bool isActive() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
    std::function<void()> m_onFire;
};
