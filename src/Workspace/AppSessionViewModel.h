#pragma once

#include "Platform/AppSupportRouting.h"
#include "Model/AppPreferences.h"
#include "Model/AppPreferencesStore.h"

#include <QObject>

// Session state that is not about tasks: the user's preferences and whether the
// control panel should be on screen. GUI thread only.
class AppSessionViewModel : public QObject {
    Q_OBJECT
public:
    // Loads the preferences; the first launch, or a user who asked for it, gets the control panel.
    AppSessionViewModel(AppPreferencesStore& preferencesStore, AppSupportRouting& appSupportRouter,
                        QObject* parent = nullptr);

    const AppPreferences& preferences() const { return m_preferences; }
    // Changes the published value only; writers call persistPreferences() afterwards.
    void setPreferences(const AppPreferences& preferences);

    bool isControlPanelPresented() const { return m_isControlPanelPresented; }
    // Publishes every write, also one that leaves the value as it was.
    void setControlPanelPresented(bool presented);

    // A failed save is logged; the preferences in memory stay as they are.
    void persistPreferences();
    void completeOnboarding();

    AppSupportRouting& appSupportRouter() const { return m_appSupportRouter; }

signals:
    void preferencesChanged(const AppPreferences& preferences);
    void isControlPanelPresentedChanged(bool isControlPanelPresented);

private:
    AppPreferences m_preferences;
    bool m_isControlPanelPresented = false;
    AppPreferencesStore& m_preferencesStore;
    AppSupportRouting& m_appSupportRouter;
};
