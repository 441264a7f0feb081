#pragma once

#include "Model/AppPreferences.h"
#include "Model/ProductInsights.h"
#include "Model/TaskItem.h"
#include "Platform/Date.h"
#include "Sorting/LanguageModel.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>
#include <array>
#include <optional>

class AppSessionViewModel;
class InfoDictionary;
class LocalCalendar;
class LoginItemRegistering;
class NotchTaskViewModel;
class SystemSettingsRouting;

enum class ControlPanelStatusTint { accent, success, warning, critical, neutral };

// The state of the control-panel window: the page, the modal over it, and
// everything the pages derive from the task workspace. Derived values are
// computed on each read. GUI thread only.
class ControlPanelViewModel : public QObject {
    Q_OBJECT
public:
    enum class ActiveModal { onboarding };
    enum class CompletionChartRange { sevenDays, thirtyDays, ninetyDays };

    struct CompletedItem {
        QUuid id;
        QString title;
        QString sectionTitle;
        QString completedLabel;

        QUuid identifier() const { return id; }
        friend bool operator==(const CompletedItem&, const CompletedItem&) = default;
    };

    struct CompletedSection {
        QString id;
        QString title;
        QList<CompletedItem> items;

        friend bool operator==(const CompletedSection&, const CompletedSection&) = default;
    };

    // The overview's row for the on-device model. `address` is where the model
    // server is asked; the row opens that page only when something answers there.
    struct ModelStatus {
        QString subtitle;
        std::optional<QString> badgeTitle;
        ControlPanelStatusTint badgeTint = ControlPanelStatusTint::neutral;
        bool opensServerPage = true;

        static ModelStatus forAvailability(LanguageModel::Availability availability, const QString& address = {});
        friend bool operator==(const ModelStatus&, const ModelStatus&) = default;
    };

    struct Environment {
        const Clock& clock;
        const LocalCalendar& calendar;
        SystemSettingsRouting& systemSettingsRouter;
        const InfoDictionary& infoDictionary;
        LanguageModel* languageModel = nullptr;
        LoginItemRegistering* loginItem = nullptr;
    };

    ControlPanelViewModel(NotchTaskViewModel& taskViewModel, AppSessionViewModel& sessionViewModel,
                          Environment environment,
                          ControlPanelDestination selectedDestination = ControlPanelDestination::overview,
                          QObject* parent = nullptr);
    ~ControlPanelViewModel() override;

    ControlPanelDestination selectedDestination() const { return m_selectedDestination; }
    void setSelectedDestination(ControlPanelDestination destination);
    std::optional<ActiveModal> activeModal() const { return m_activeModal; }
    void setActiveModal(std::optional<ActiveModal> modal);

    NotchTaskViewModel& taskViewModel() const { return m_taskViewModel; }
    AppSessionViewModel& sessionViewModel() const { return m_sessionViewModel; }
    SystemSettingsRouting& systemSettingsRouter() const { return m_environment.systemSettingsRouter; }
    const LocalCalendar& calendar() const { return m_environment.calendar; }

    TaskList remainingTasks() const;
    // Every completed task of every section.
    qsizetype completedTaskCount() const;
    // Newest day first; a task without a completion date counts by its creation.
    QList<CompletedSection> completedSections() const;
    // One point per calendar day of the range, oldest first, today last.
    QList<ProductInsights::DailyCompletionPoint> chartPoints(CompletionChartRange range) const;
    QString appVersion() const;

    void finishOnboarding();
    void openAppleIntelligenceSettings();

    // The last known availability, without waiting; refreshModelAvailability()
    // asks again in the background and reports through modelAvailabilityChanged.
    LanguageModel::Availability modelAvailability() const;
    void refreshModelAvailability();
    ModelStatus modelStatus() const;
    // Where the model server is asked ("127.0.0.1:8080"); empty without a model.
    QString modelServerAddress() const;

    // The settings page's writers: one field changes, then the whole record is
    // saved, even when the value is the one already stored.
    void setLaunchAtLoginEnabled(bool enabled);
    void setAITaskRankingEnabled(bool enabled);
    void setAppearanceMode(AppAppearanceMode mode);

signals:
    void selectedDestinationChanged(ControlPanelDestination destination);
    void activeModalChanged(std::optional<ControlPanelViewModel::ActiveModal> modal);
    // Any change of the session (preferences or presentation).
    void sessionChanged();
    void modelAvailabilityChanged(LanguageModel::Availability availability);

private:
    void rememberAvailability(LanguageModel::Availability availability);

    NotchTaskViewModel& m_taskViewModel;
    AppSessionViewModel& m_sessionViewModel;
    Environment m_environment;
    ControlPanelDestination m_selectedDestination;
    std::optional<ActiveModal> m_activeModal;
    std::optional<LanguageModel::Availability> m_lastAvailability;
};

namespace CompletionChartRanges {
using Range = ControlPanelViewModel::CompletionChartRange;
inline constexpr std::array<Range, 3> allCases{Range::sevenDays, Range::thirtyDays, Range::ninetyDays};
QString rawValue(Range range);
std::optional<Range> fromRawValue(const QString& raw);
int dayCount(Range range);
} // namespace CompletionChartRanges
