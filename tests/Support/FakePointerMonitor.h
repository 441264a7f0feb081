#pragma once

#include "Platform/PointerMonitor.h"

#include <map>

// A pointer that tests move by hand; monitors are called only when told to.
class FakePointerMonitor final : public PointerMonitor {
public:
    std::optional<Token> addLocalMonitor(Handler handler) override
    {
        ++localAdds;
        if (!localAvailable)
            return std::nullopt;
        const Token token = nextToken++;
        local.emplace(token, std::move(handler));
        return token;
    }
    std::optional<Token> addGlobalMonitor(Handler handler) override
    {
        ++globalAdds;
        if (!globalAvailable)
            return std::nullopt;
        const Token token = nextToken++;
        global.emplace(token, std::move(handler));
        return token;
    }
    void removeMonitor(Token token) override
    {
        ++removals;
        if (!local.erase(token) && !global.erase(token))
            ++unknownRemovals;
    }
    QPointF mouseLocation() const override { return location; }

    // Moves the pointer and lets the global monitors see it (as for another program's window).
    void moveTo(QPointF point)
    {
        location = point;
        const auto handlers = global;
        for (const auto& entry : handlers)
            entry.second();
    }
    void moveOverOwnWindowTo(QPointF point)
    {
        location = point;
        const auto handlers = local;
        for (const auto& entry : handlers)
            entry.second();
    }
    std::size_t installedCount() const { return local.size() + global.size(); }

    QPointF location;
    bool localAvailable = true;
    bool globalAvailable = true;
    int localAdds = 0;
    int globalAdds = 0;
    int removals = 0;
    int unknownRemovals = 0;
    Token nextToken = 1;
    std::map<Token, Handler> local;
    std::map<Token, Handler> global;
};
