#include "ControlPanel/ControlPanelViewModel.h"

#include "Workspace/AppSessionViewModel.h"
#include "Platform/InfoDictionary.h"
#include "Platform/SystemSettingsRouting.h"
#include "Model/TaskWorkspaceState.h"
#include "Platform/LocalCalendar.h"
#include "Platform/LoginItemRegistering.h"
#include "Platform/Logger.h"
#include "Sorting/TaskSortingError.h"
#include "Workspace/NotchTaskViewModel.h"
#include "Workspace/TaskWorkspaceLogic.h"

#include <QHash>
#include <QSet>
#include <map>
#include <algorithm>
#include <limits>

namespace {
const Logger& logger()
{
    static const Logger instance(QStringLiteral("ControlPanelViewModel"));
    return instance;
}

Date completionDate(const TaskItem& task)
{
    return task.completedAt.value_or(task.createdAt);
}

// The completed tasks of every section, in no particular order: the same set
// the aggregate workspace's completed list holds, without sorting it.
template<typename Visit>
void forEachCompletedTask(const SectionList& sections, const TaskList& tasks, Visit visit)
{
    QSet<QString> sectionIDs;
    for (const TaskSection& section : sections)
        sectionIDs.insert(section.id);
    for (const TaskItem& task : tasks) {
        if (task.isCompleted && sectionIDs.contains(task.sectionID))
            visit(task);
    }
}

// The calendar day around a date, [start, end). Consecutive lookups of dates in
// the same day reuse it, so grouping a sorted history costs one calendar call
// per day rather than per task.
class DayWindows {
public:
    explicit DayWindows(const LocalCalendar& calendar) : m_calendar(calendar) {}

    Date startOfDay(Date date)
    {
        if (!(m_valid && m_start <= date && date < m_end)) {
            m_start = m_calendar.startOfDay(date);
            // The next day's start, never start + 24 h: a day can last 23 or 25 hours.
            m_end = m_calendar.startOfDay(m_start, 1).value_or(m_start);
            m_valid = true;
        }
        return m_start;
    }

private:
    const LocalCalendar& m_calendar;
    bool m_valid = false;
    Date m_start;
    Date m_end;
};
} // namespace

ControlPanelViewModel::ModelStatus ControlPanelViewModel::ModelStatus::forAvailability(
    LanguageModel::Availability availability, const QString& address)
{
    const QString unavailable = QStringLiteral("The on-device model is not available on this computer.");
    switch (availability) {
    case LanguageModel::Availability::available:
        return {QStringLiteral("Available on this computer"), QStringLiteral("Enabled"), ControlPanelStatusTint::success};
    case LanguageModel::Availability::notEnabled:
        return {address.isEmpty() ? QStringLiteral("No model server answers.")
                                  : QStringLiteral("No model server answers at %1.").arg(address),
                QStringLiteral("Disabled"), ControlPanelStatusTint::critical, false};
    case LanguageModel::Availability::noChatModel:
        return {QStringLiteral("The model server lists no chat model."), std::nullopt, ControlPanelStatusTint::neutral};
    case LanguageModel::Availability::modelNotServed:
        return {TaskSortingError::modelNotServedMessage(), std::nullopt, ControlPanelStatusTint::neutral};
    case LanguageModel::Availability::modelNotReady:
        return {unavailable, std::nullopt, ControlPanelStatusTint::neutral};
    case LanguageModel::Availability::deviceNotEligible:
    case LanguageModel::Availability::other:
        break;
    }
    // Nothing usable answers on this computer: there is no page to open.
    return {unavailable, std::nullopt, ControlPanelStatusTint::neutral, false};
}

ControlPanelViewModel::ControlPanelViewModel(NotchTaskViewModel& taskViewModel, AppSessionViewModel& sessionViewModel,
                                             Environment environment, ControlPanelDestination selectedDestination,
                                             QObject* parent)
    : QObject(parent), m_taskViewModel(taskViewModel), m_sessionViewModel(sessionViewModel),
      m_environment(environment), m_selectedDestination(selectedDestination)
{
    // The pages re-render on any session change.
    connect(&m_sessionViewModel, &AppSessionViewModel::preferencesChanged, this,
            &ControlPanelViewModel::sessionChanged);
    connect(&m_sessionViewModel, &AppSessionViewModel::isControlPanelPresentedChanged, this,
            &ControlPanelViewModel::sessionChanged);
    if (m_environment.languageModel) {
        connect(m_environment.languageModel, &LanguageModel::availabilityChanged, this,
                [this](LanguageModel::Availability availability) { rememberAvailability(availability); });
    }
}

void ControlPanelViewModel::rememberAvailability(LanguageModel::Availability availability)
{
    const bool changed = m_lastAvailability != availability;
    m_lastAvailability = availability;
    if (changed)
        emit modelAvailabilityChanged(availability);
}

ControlPanelViewModel::~ControlPanelViewModel() = default;

void ControlPanelViewModel::setSelectedDestination(ControlPanelDestination destination)
{
    if (m_selectedDestination == destination)
        return;
    m_selectedDestination = destination;
    emit selectedDestinationChanged(destination);
}

void ControlPanelViewModel::setActiveModal(std::optional<ActiveModal> modal)
{
    if (m_activeModal == modal)
        return;
    m_activeModal = modal;
    emit activeModalChanged(modal);
}

TaskList ControlPanelViewModel::remainingTasks() const
{
    TaskList open;
    for (const TaskItem& task : m_taskViewModel.allTasks()) {
        if (!task.isCompleted)
            open.append(task);
    }
    return open;
}

qsizetype ControlPanelViewModel::completedTaskCount() const
{
    qsizetype count = 0;
    forEachCompletedTask(m_taskViewModel.sections(), m_taskViewModel.allTasks(), [&](const TaskItem&) { ++count; });
    return count;
}

QList<ControlPanelViewModel::CompletedSection> ControlPanelViewModel::completedSections() const
{
    const LocalCalendar& calendar = m_environment.calendar;
    const SectionList& sections = m_taskViewModel.sections();
    const TaskList completed = TaskWorkspaceLogic::completedTasks(kAllWorkspaceID, sections, m_taskViewModel.allTasks());
    if (completed.isEmpty())
        return {};

    QHash<QString, QString> sectionTitles;
    // Backwards, so that the first section with an id names it.
    for (auto it = sections.crbegin(); it != sections.crend(); ++it)
        sectionTitles.insert(it->id, it->title);

    // Newest day first.
    std::map<Date, QList<const TaskItem*>, std::greater<Date>> days;
    DayWindows windows(calendar);
    for (const TaskItem& task : completed)
        days[windows.startOfDay(completionDate(task))].append(&task);

    const Date now = m_environment.clock.now();
    const Date today = calendar.startOfDay(now);
        const Date yesterday = calendar.startOfDay(today, -1).value_or(today);
    const int thisYear = calendar.year(now);

    // The label's form is the same for every task of a day.
    auto itemLabel = [&](Date date, Date day, bool inThisYear) {
        if (day == today)
            return calendar.formatTime(date);
        if (day == yesterday)
            return QStringLiteral("Yesterday, ") + calendar.formatTime(date);
        return calendar.formatDateTime(date, day,
                                       inThisYear ? LocalCalendar::monthDay : LocalCalendar::yearMonthDay);
    };

    constexpr Date distantPast{-std::numeric_limits<double>::max()};
    QList<CompletedSection> result;
    result.reserve(days.size());
    for (auto day = days.begin(); day != days.end(); ++day) {
        QList<const TaskItem*>& tasks = day->second;
        std::stable_sort(tasks.begin(), tasks.end(), [&](const TaskItem* a, const TaskItem* b) {
            return a->completedAt.value_or(distantPast) > b->completedAt.value_or(distantPast);
        });
        CompletedSection section;
        section.id = LocalCalendar::isoDateUTC(day->first);
        if (day->first == today)
            section.title = QStringLiteral("Today");
        else if (day->first == yesterday)
            section.title = QStringLiteral("Yesterday");
        else
            section.title = calendar.format(day->first, LocalCalendar::weekdayMonthDay);
        section.items.reserve(tasks.size());
        const bool inThisYear = calendar.year(day->first) == thisYear;
        for (const TaskItem* task : tasks) {
            section.items.append({task->id, task->title, sectionTitles.value(task->sectionID, QStringLiteral("Section")),
                                  itemLabel(completionDate(*task), day->first, inThisYear)});
        }
        result.append(std::move(section));
    }
    return result;
}

QList<ProductInsights::DailyCompletionPoint> ControlPanelViewModel::chartPoints(CompletionChartRange range) const
{
    const LocalCalendar& calendar = m_environment.calendar;
    const int dayCount = CompletionChartRanges::dayCount(range);
    const Date today = calendar.startOfDay(m_environment.clock.now());

    QList<double> dates;
    forEachCompletedTask(m_taskViewModel.sections(), m_taskViewModel.allTasks(),
                         [&](const TaskItem& task) { dates.append(completionDate(task).secondsSinceReferenceDate); });
    std::sort(dates.begin(), dates.end());

    QList<ProductInsights::DailyCompletionPoint> points;
    points.reserve(dayCount);
    for (int offset = 0; offset < dayCount; ++offset) {
        const std::optional<Date> day = calendar.startOfDay(today, -(dayCount - 1 - offset));
        if (!day)
            continue;
        const Date end = calendar.startOfDay(*day, 1).value_or(*day);
        const auto first = std::lower_bound(dates.cbegin(), dates.cend(), day->secondsSinceReferenceDate);
        const auto last = std::lower_bound(first, dates.cend(), end.secondsSinceReferenceDate);
        points.append({*day, static_cast<qint64>(last - first)});
    }
    return points;
}

QString ControlPanelViewModel::appVersion() const
{
    return m_environment.infoDictionary.value(QStringLiteral("CFBundleShortVersionString"))
        .value_or(QStringLiteral("1.0.0"));
}

void ControlPanelViewModel::finishOnboarding()
{
    m_sessionViewModel.completeOnboarding();
    setActiveModal(std::nullopt);
    setSelectedDestination(ControlPanelDestination::overview);
}

void ControlPanelViewModel::openAppleIntelligenceSettings()
{
    m_environment.systemSettingsRouter.openAppleIntelligenceSettings();
}

LanguageModel::Availability ControlPanelViewModel::modelAvailability() const
{
    if (m_lastAvailability)
        return *m_lastAvailability;
    return m_environment.languageModel ? m_environment.languageModel->availability()
                                       : LanguageModel::Availability::other;
}

ControlPanelViewModel::ModelStatus ControlPanelViewModel::modelStatus() const
{
    return ModelStatus::forAvailability(modelAvailability(), modelServerAddress());
}

QString ControlPanelViewModel::modelServerAddress() const
{
    return m_environment.languageModel ? m_environment.languageModel->address() : QString();
}

void ControlPanelViewModel::refreshModelAvailability()
{
    if (!m_environment.languageModel)
        return;
    m_environment.languageModel->refreshAvailability(
        this, [this](LanguageModel::Availability availability) { rememberAvailability(availability); });
}

void ControlPanelViewModel::setLaunchAtLoginEnabled(bool enabled)
{
    AppPreferences preferences = m_sessionViewModel.preferences();
    preferences.launchAtLoginEnabled = enabled;
    if (LoginItemRegistering* loginItem = m_environment.loginItem) {
        QString error;
        if (!loginItem->setEnabled(enabled, &error))
            logger().error(QStringLiteral("Failed to change the login item: ") + error);
        // The switch shows what really happens at the next login.
        preferences.launchAtLoginEnabled = loginItem->isEnabled();
    }
    m_sessionViewModel.setPreferences(preferences);
    m_sessionViewModel.persistPreferences();
}

void ControlPanelViewModel::setAITaskRankingEnabled(bool enabled)
{
    AppPreferences preferences = m_sessionViewModel.preferences();
    preferences.aiTaskRankingEnabled = enabled;
    m_sessionViewModel.setPreferences(preferences);
    m_sessionViewModel.persistPreferences();
}

void ControlPanelViewModel::setAppearanceMode(AppAppearanceMode mode)
{
    AppPreferences preferences = m_sessionViewModel.preferences();
    preferences.appearanceMode = mode;
    m_sessionViewModel.setPreferences(preferences);
    m_sessionViewModel.persistPreferences();
}

namespace CompletionChartRanges {
QString rawValue(Range range)
{
    switch (range) {
    case Range::sevenDays:
        return QStringLiteral("sevenDays");
    case Range::thirtyDays:
        return QStringLiteral("thirtyDays");
    case Range::ninetyDays:
        return QStringLiteral("ninetyDays");
    }
    return {};
}

std::optional<Range> fromRawValue(const QString& raw)
{
    for (Range range : allCases) {
        if (rawValue(range) == raw)
            return range;
    }
    return std::nullopt;
}

int dayCount(Range range)
{
    switch (range) {
    case Range::sevenDays:
        return 7;
    case Range::thirtyDays:
        return 30;
    case Range::ninetyDays:
        return 90;
    }
    return 7;
}
} // namespace CompletionChartRanges
