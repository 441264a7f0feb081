#pragma once

#include "App/UpdateCheckResult.h"

// Tells the user how an update check ended; must not block the caller.
class UpdateResultPresenting {
public:
    virtual ~UpdateResultPresenting() = default;
    virtual void present(const UpdateCheckResult& result) = 0;
};
