#pragma once

// Held by the session for the life of the program; it has no operations yet.
class AppSupportRouting {
public:
    virtual ~AppSupportRouting() = default;
};
