#pragma once

#include <QTimer>
#include <functional>

// Many change notifications, one update: however often request() is called
// during a turn of the event loop, `apply` runs once on the next turn, so every
// handler sees one consistent state. The owner's immediate update calls
// cancel() first, so a pending request does not repeat it. Held as a member,
// it dies with its owner and never calls into a destroyed one.
class DeferredSync {
public:
    explicit DeferredSync(std::function<void()> apply);
    DeferredSync(const DeferredSync&) = delete;
    DeferredSync& operator=(const DeferredSync&) = delete;

    void request();
    void cancel();
    bool isPending() const { return m_timer.isActive(); }

private:
    QTimer m_timer;
};
