#pragma once

#include "ControlPanel/ControlPanelOnboardingView.h"
#include "ControlPanel/ControlPanelViewModel.h"
#include "Template/NotchTemplateConfiguration.h"
#include "UI/DeferredSync.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <functional>

class HistoryHeaderAccessory;
class HistoryPage;
class OverviewPage;
class PageHeader;
class QScrollArea;
class SettingsPage;
class SidebarListRow;

// The whole content of the control-panel window: the sidebar, the page of the
// selected destination under its header, the modal layer over everything, and
// the confirmation that guards clearing the history. View-model changes are
// applied together on the next turn of the event loop; syncNow() applies them at once.
class ControlPanelRootView final : public QWidget {
    Q_OBJECT
public:
    using Range = ControlPanelViewModel::CompletionChartRange;
    // Builds the onboarding sequence shown in the modal layer; `onClose` finishes it.
    using OnboardingFactory = std::function<QWidget*(const NotchTemplateConfiguration& configuration,
                                                     std::function<void()> onClose, QWidget* parent)>;

    ControlPanelRootView(const NotchTemplateConfiguration& configuration, ControlPanelViewModel& viewModel,
                         bool reduceMotion = false, QWidget* parent = nullptr);
    ~ControlPanelRootView() override;

    // Empty: the onboarding sequence with the bundled videos.
    void setOnboardingFactory(OnboardingFactory factory);
    // The onboarding sequence with the configuration's slides and close label;
    // without a resolver its videos play from the bundle through the shared cache.
    static OnboardingFactory onboardingView(ControlPanelOnboardingView::VideoResolver resolveVideo = {});

    void presentModal(ControlPanelViewModel::ActiveModal modal);
    bool isModalPresented() const;
    Range selectedChartRange() const { return m_selectedChartRange; }
    void setSelectedChartRange(Range range);

    void sync();
    void syncNow();

    QWidget* sidebar() const { return m_sidebar; }
    SidebarListRow* sidebarRow(ControlPanelDestination destination) const;
    PageHeader* pageHeader() const { return m_header; }
    QScrollArea* detail() const { return m_detail; }
    OverviewPage* overviewPage() const { return m_overview; }
    HistoryPage* historyPage() const { return m_history; }
    HistoryHeaderAccessory* historyAccessory() const { return m_historyAccessory; }
    SettingsPage* settingsPage() const { return m_settings; }
    QWidget* modalLayer() const { return m_modalLayer; }
    // The onboarding view while the modal is presented.
    QWidget* modalContent() const { return m_modalContent; }
    // The clear-history confirmation while it is open.
    QMessageBox* confirmationDialog() const { return m_confirmation; }
    bool isConfirmingHistoryClear() const { return m_confirmation != nullptr; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* makeSidebar();
    void selectSidebarRow(ControlPanelDestination destination);
    void confirmHistoryClear();
    void showModalLayer(bool shown);

    NotchTemplateConfiguration m_configuration;
    ControlPanelViewModel& m_viewModel;
    bool m_reduceMotion;
    OnboardingFactory m_onboardingFactory;
    Range m_selectedChartRange = Range::sevenDays;
    DeferredSync m_sync{[this] { syncNow(); }};

    QWidget* m_split = nullptr;
    QWidget* m_sidebar = nullptr;
    QList<SidebarListRow*> m_sidebarRows;
    QScrollArea* m_detail = nullptr;
    PageHeader* m_header = nullptr;
    OverviewPage* m_overview = nullptr;
    HistoryPage* m_history = nullptr;
    HistoryHeaderAccessory* m_historyAccessory = nullptr;
    SettingsPage* m_settings = nullptr;
    QWidget* m_modalLayer = nullptr;
    QPointer<QWidget> m_modalContent;
    QPointer<QWidget> m_leavingModalContent;
    bool m_modalShown = false;
    QPointer<QMessageBox> m_confirmation;
};
