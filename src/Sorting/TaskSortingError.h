#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// A failure of AI Sort; description() is the text shown in the panel's status line.
class TaskSortingError : public std::exception {
public:
    enum class Case {
        generationFailed,
        noSortableTasks,
        appleIntelligenceNotEnabled,
        deviceNotEligible,
        modelNotReady,
        foundationModelUnavailable,
    };

    static TaskSortingError generationFailed(const QString& message) { return {Case::generationFailed, message}; }
    static TaskSortingError noSortableTasks() { return {Case::noSortableTasks}; }
    static TaskSortingError appleIntelligenceNotEnabled() { return {Case::appleIntelligenceNotEnabled}; }
    static TaskSortingError deviceNotEligible() { return {Case::deviceNotEligible}; }
    static TaskSortingError modelNotReady() { return {Case::modelNotReady}; }
    static TaskSortingError foundationModelUnavailable() { return {Case::foundationModelUnavailable}; }

    // The texts the service puts into generationFailed.
    static QString incompleteClassificationMessage();
    static QString tooManyTasksMessage();
    // A model server that answers but cannot rank: it lists no chat model, or
    // not the one QUAVERLOOM_MODEL names.
    static QString noChatModelMessage();
    static QString modelNotServedMessage();
    // The Settings switch that allows AI Sort at all is off.
    static QString rankingTurnedOffMessage();

    Case errorCase() const { return m_case; }
    // generationFailed's payload; empty for the other cases.
    const QString& payload() const { return m_payload; }
    QString description() const;
    const char* what() const noexcept override { return m_utf8.constData(); }

    friend bool operator==(const TaskSortingError& a, const TaskSortingError& b)
    {
        return a.m_case == b.m_case && a.m_payload == b.m_payload;
    }

private:
    TaskSortingError(Case errorCase, QString payload = {});

    Case m_case;
    QString m_payload;
    QByteArray m_utf8;
};
