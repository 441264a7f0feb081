#include "Sorting/TaskSortingError.h"

TaskSortingError::TaskSortingError(Case errorCase, QString payload)
    : m_case(errorCase), m_payload(std::move(payload))
{
    m_utf8 = description().toUtf8();
}

QString TaskSortingError::incompleteClassificationMessage()
{
    return QStringLiteral("AI Sort couldn't classify the full list. Try again.");
}

QString TaskSortingError::tooManyTasksMessage()
{
    return QStringLiteral("AI Sort ranks up to 64 tasks at a time. Choose a section with fewer open tasks.");
}

QString TaskSortingError::noChatModelMessage()
{
    return QStringLiteral("The model server lists no chat model. Load one to use AI Sort.");
}

QString TaskSortingError::modelNotServedMessage()
{
    return QStringLiteral("The model server does not serve the model set in QUAVERLOOM_MODEL.");
}

QString TaskSortingError::rankingTurnedOffMessage()
{
    return QStringLiteral("AI task ranking is off in Settings.");
}

QString TaskSortingError::description() const
{
    switch (m_case) {
    case Case::generationFailed:
        return m_payload;
    case Case::noSortableTasks:
        return QStringLiteral("There are no tasks to sort.");
    case Case::appleIntelligenceNotEnabled:
        return QStringLiteral("Start a language model server on this computer to use AI Sort.");
    case Case::deviceNotEligible:
        return QStringLiteral("AI Sort requires a language model running on this computer.");
    case Case::modelNotReady:
        return QStringLiteral("The on-device model isn't ready yet. Try again in a moment.");
    case Case::foundationModelUnavailable:
        break;
    }
    return QStringLiteral("AI Sort is unavailable because the on-device model can't be used right now.");
}
