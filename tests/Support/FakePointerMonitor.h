#pragma once

#include "Platform/PointerMonitor.h"

#include <map>

// A pointer that tests move by hand; monitors are called only when told to.
class FakePointerMonitor final : public PointerMonitor {
public:
    std::optional<Token> addLocalMonitor(Handler handler) override { return add(local, std::move(handler)); }
    std::optional<Token> addGlobalMonitor(Handler handler) override
    {
        if (!globalAvailable)
            return std::nullopt;
        return add(global, std::move(handler));
    }
    void removeMonitor(Token token) override
    {
        if (!local.erase(token) && !global.erase(token))
            ++unknownRemovals;
    }
    QPointF mouseLocation() const override { return location; }

    // Moves the pointer over another program's window (global) or one of ours (local).
    void moveTo(QPointF point) { move(point, global); }
    void moveOverOwnWindowTo(QPointF point) { move(point, local); }
    std::size_t installedCount() const { return local.size() + global.size(); }

    QPointF location;
    bool globalAvailable = true;
    int unknownRemovals = 0;

private:
    std::optional<Token> add(std::map<Token, Handler>& monitors, Handler handler)
    {
        monitors.emplace(nextToken, std::move(handler));
        return nextToken++;
    }
    void move(QPointF point, const std::map<Token, Handler>& monitors)
    {
        location = point;
        const auto handlers = monitors; // a handler may remove monitors
        for (const auto& entry : handlers)
            entry.second();
    }

    Token nextToken = 1;
    std::map<Token, Handler> local;
    std::map<Token, Handler> global;
};
