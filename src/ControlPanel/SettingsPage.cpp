#include "ControlPanel/SettingsPage.h"

#include "Workspace/AppSessionViewModel.h"
#include "ControlPanel/ControlPanelViewModel.h"
#include "ControlPanel/FormValueRow.h"
#include "ControlPanel/GroupedCard.h"
#include "ControlPanel/ToggleSwitch.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {
// The list of choices opens in a window of its own, to which Qt gives a menu's
// palette, the desktop's; its items, too, take every colour not set on the
// list itself from that palette. Both take the page's colours, as set ones,
// so the list follows the appearance.
class AppearanceMenu final : public QComboBox {
public:
    void showPopup() override
    {
        QPalette colors = palette();
        colors.setResolveMask(~QPalette::ResolveMask(0));
        view()->window()->setPalette(colors);
        view()->setPalette(colors);
        QComboBox::showPopup();
    }
};
} // namespace

SettingsPage::SettingsPage(const NotchTemplateConfiguration& configuration, ControlPanelViewModel& viewModel,
                           QWidget* parent)
    : QWidget(parent), m_viewModel(viewModel), m_launchAtLogin(new ToggleSwitch), m_aiTaskRanking(new ToggleSwitch),
      m_appearance(new AppearanceMenu)
{
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    auto* card = new GroupedFormCard;
    page->addWidget(card);
    page->addStretch(1);

    m_launchAtLogin->setAccessibleName(QStringLiteral("Launch at login"));
    m_aiTaskRanking->setAccessibleName(QStringLiteral("AI task ranking"));
    m_appearance->setAccessibleName(QStringLiteral("Appearance"));
    for (const QString& option : {QStringLiteral("System"), QStringLiteral("Light"), QStringLiteral("Dark")})
        m_appearance->addItem(option);
    m_appearance->setSizeAdjustPolicy(QComboBox::AdjustToContents);

    const auto& content = configuration.content;
    card->rows()->addWidget(new FormValueRow(QStringLiteral("desktopcomputer"), QStringLiteral("Launch at login"),
                                             QStringLiteral("Automatically start QuaverLoom when you log in."), true,
                                             m_launchAtLogin));
    card->rows()->addWidget(new FormValueRow(QStringLiteral("sparkles"), QStringLiteral("AI task ranking"),
                                             QStringLiteral("Let QuaverLoom prioritize tasks for you."), true,
                                             m_aiTaskRanking));
    card->rows()->addWidget(new FormValueRow(QStringLiteral("paintpalette"), QStringLiteral("Appearance"),
                                             QStringLiteral("Choose theme and visual style."), true, m_appearance));
    m_onboarding = new FormActionRow(QStringLiteral("sparkle.magnifyingglass"), content.onboardingTitle,
                                     content.onboardingSubtitle, content.onboardingButtonTitle, true, [this] {
                                         if (onReplayOnboarding)
                                             onReplayOnboarding();
                                     });
    card->rows()->addWidget(m_onboarding);
    m_about = new FormValueRow(QStringLiteral("info.circle"), QStringLiteral("About"), m_viewModel.appVersion(), false,
                               nullptr);
    card->rows()->addWidget(m_about);

    // A switch writes exactly what the user chose; refresh() then shows the outcome.
    connect(m_launchAtLogin, &ToggleSwitch::clicked, this, [this](bool on) {
        m_viewModel.setLaunchAtLoginEnabled(on);
        refresh();
    });
    connect(m_aiTaskRanking, &ToggleSwitch::clicked, this, [this](bool on) {
        m_viewModel.setAITaskRankingEnabled(on);
        refresh();
    });
    // activated, not currentIndexChanged: choosing the option already shown saves again.
    connect(m_appearance, &QComboBox::activated, this, [this](int index) {
        m_viewModel.setAppearanceMode(AppAppearanceModes::allCases.at(static_cast<size_t>(std::clamp(index, 0, 2))));
        refresh();
    });
    refresh();
}

void SettingsPage::refresh()
{
    const AppPreferences& preferences = m_viewModel.sessionViewModel().preferences();
    const QSignalBlocker blockLaunch(m_launchAtLogin);
    const QSignalBlocker blockRanking(m_aiTaskRanking);
    const QSignalBlocker blockAppearance(m_appearance);
    m_launchAtLogin->setChecked(preferences.launchAtLoginEnabled);
    m_aiTaskRanking->setChecked(preferences.aiTaskRankingEnabled);
    m_appearance->setCurrentIndex(static_cast<int>(preferences.appearanceMode));
    m_about->setSubtitle(m_viewModel.appVersion());
}
