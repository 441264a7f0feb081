#pragma once

#include <QObject>

class AppUpdateManaging : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~AppUpdateManaging() override = default;

    // Whether a user-initiated check can start now.
    virtual bool canCheckForUpdates() const = 0;
    virtual void checkForUpdates() = 0;

signals:
    void canCheckForUpdatesChanged(bool canCheckForUpdates);
};
