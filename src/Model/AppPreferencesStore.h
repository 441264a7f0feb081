#pragma once

#include "Model/AppPreferences.h"
#include "Model/StoreError.h"

class AppPreferencesStore {
public:
    virtual ~AppPreferencesStore() = default;
    virtual AppPreferences load() = 0;                       // throws StoreError
    virtual void save(const AppPreferences& preferences) = 0; // throws StoreError
};
