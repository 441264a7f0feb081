#pragma once

#include "Sorting/LanguageModel.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <optional>
#include <tuple>

// A scripted language model. Each prompt takes the next scripted response on the
// next turn of the event loop; with none left, the prompt is held until the test
// calls respondToHeld().
class FakeLanguageModel final : public LanguageModel {
public:
    struct Request {
        QString instructions;
        QString prompt;
        bool includeSchemaInPrompt = false;
        GenerationOptions options;
    };

    explicit FakeLanguageModel(Availability availability = Availability::available) : m_availability(availability) {}

    Availability availability() override { return m_availability; }

    void refreshAvailability(QObject* context, AvailabilityHandler handler) override
    {
        deliverLater(context, [handler, availability = m_availability] { handler(availability); });
    }

    QString address() const override { return serverAddress; }

    std::shared_ptr<Session> makeSession(const QString& instructions) override
    {
        ++sessionsMade;
        return std::make_shared<ScriptedSession>(this, instructions);
    }

    void setAvailability(Availability availability)
    {
        if (availability == m_availability)
            return;
        m_availability = availability;
        emit availabilityChanged(availability);
    }

    bool isHolding() const { return static_cast<bool>(m_heldHandler); }

    void respondToHeld(const Response& response)
    {
        ResponseHandler handler = std::exchange(m_heldHandler, nullptr);
        if (handler && (!m_heldHasContext || m_heldContext))
            handler(response);
    }

    // Generated content for a TaskSortResponse: (taskIndex, priority, why) per item.
    static QJsonValue sortAnswer(const QList<std::tuple<qint64, QString, QString>>& items)
    {
        QJsonArray array;
        for (const auto& [index, priority, why] : items)
            array.append(QJsonObject{{"taskIndex", index}, {"priority", priority}, {"why", why}});
        return QJsonObject{{"items", array}};
    }

    static Response failure(GenerationError::Kind kind) { return GenerationError{kind, QStringLiteral("scripted")}; }

    QString serverAddress;
    QList<Response> scriptedResponses;
    QList<Request> requests;
    int sessionsMade = 0;

private:
    class ScriptedSession final : public Session {
    public:
        ScriptedSession(FakeLanguageModel* model, QString instructions)
            : m_model(model), m_instructions(std::move(instructions))
        {
        }

        void respond(const QString& prompt, const GenerationSchema&, bool includeSchemaInPrompt,
                     const GenerationOptions& options, QObject* context, ResponseHandler handler) override
        {
            m_model->requests.append({m_instructions, prompt, includeSchemaInPrompt, options});
            if (m_model->scriptedResponses.isEmpty()) {
                m_model->m_heldHandler = std::move(handler);
                m_model->m_heldContext = context;
                m_model->m_heldHasContext = context != nullptr;
                return;
            }
            deliverLater(context, [handler, response = m_model->scriptedResponses.takeFirst()] { handler(response); });
        }

    private:
        FakeLanguageModel* m_model;
        QString m_instructions;
    };

    Availability m_availability;
    ResponseHandler m_heldHandler;
    QPointer<QObject> m_heldContext;
    bool m_heldHasContext = false;
};
