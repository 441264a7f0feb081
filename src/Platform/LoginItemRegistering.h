#pragma once

#include <QString>

// Whether the program starts when the user logs in.
class LoginItemRegistering {
public:
    virtual ~LoginItemRegistering() = default;

    virtual bool isEnabled() const = 0;
    // False with the reason when the change could not be made.
    virtual bool setEnabled(bool enabled, QString* error = nullptr) = 0;
};
