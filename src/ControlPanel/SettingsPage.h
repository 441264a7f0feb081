#pragma once

#include "Template/NotchTemplateConfiguration.h"

#include <QWidget>
#include <functional>

class ControlPanelViewModel;
class FormActionRow;
class FormValueRow;
class QComboBox;
class ToggleSwitch;

// The preferences as one card of rows: two switches, the appearance menu, the
// onboarding replay and the version. Every change is saved at once.
class SettingsPage final : public QWidget {
    Q_OBJECT
public:
    SettingsPage(const NotchTemplateConfiguration& configuration, ControlPanelViewModel& viewModel,
                 QWidget* parent = nullptr);

    // Shows the current preferences; called on every session change.
    void refresh();
    std::function<void()> onReplayOnboarding;

    ToggleSwitch* launchAtLoginSwitch() const { return m_launchAtLogin; }
    ToggleSwitch* aiTaskRankingSwitch() const { return m_aiTaskRanking; }
    QComboBox* appearanceMenu() const { return m_appearance; }
    FormActionRow* onboardingRow() const { return m_onboarding; }
    FormValueRow* aboutRow() const { return m_about; }

private:
    ControlPanelViewModel& m_viewModel;
    ToggleSwitch* m_launchAtLogin;
    ToggleSwitch* m_aiTaskRanking;
    QComboBox* m_appearance;
    FormActionRow* m_onboarding;
    FormValueRow* m_about;
};
