#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <variant>

// A language model that answers structured prompts. Every call is asynchronous;
// handlers run later on the GUI thread, and never once their context object is gone.
class LanguageModel : public QObject {
    Q_OBJECT

public:
    // notEnabled: nothing answers where the model is asked. The last two are a
    // server that answers but cannot rank: it lists no model that generates
    // text, or not the one the configuration names.
    enum class Availability { available, notEnabled, deviceNotEligible, modelNotReady, other, noChatModel, modelNotServed };
    Q_ENUM(Availability)

    struct GenerationOptions {
        std::optional<double> temperature;
        std::optional<int> maximumResponseTokens;
    };

    // The schema travels as JSON text because property order guides generation
    // and QJsonObject would sort the keys.
    struct GenerationSchema {
        QString name;
        QByteArray json;
    };

    struct GenerationError {
        enum class Kind {
            exceededContextWindowSize,
            assetsUnavailable,
            guardrailViolation,
            unsupportedGuide,
            unsupportedLanguageOrLocale,
            decodingFailure,
            rateLimited,
            concurrentRequests,
            refusal,
            other,
        };
        Kind kind = Kind::other;
        QString debugDescription;

        friend bool operator==(const GenerationError&, const GenerationError&) = default;
    };

    // Any failure that is not the model's own, described for the user.
    struct OtherError {
        QString localizedDescription;

        friend bool operator==(const OtherError&, const OtherError&) = default;
    };

    // The generated content on success.
    using Response = std::variant<QJsonValue, GenerationError, OtherError>;
    using ResponseHandler = std::function<void(const Response&)>;
    using AvailabilityHandler = std::function<void(Availability)>;

    // One conversation with fixed instructions. A session answers one prompt at a
    // time; a second prompt while one is pending fails with concurrentRequests.
    class Session {
    public:
        virtual ~Session() = default;
        virtual void respond(const QString& prompt, const GenerationSchema& schema, bool includeSchemaInPrompt,
                             const GenerationOptions& options, QObject* context, ResponseHandler handler) = 0;
    };

    explicit LanguageModel(QObject* parent = nullptr) : QObject(parent) {}
    ~LanguageModel() override = default;

    // The last known availability; never blocks. May start a background refresh.
    virtual Availability availability() = 0;
    // Reads the availability afresh and reports it.
    virtual void refreshAvailability(QObject* context, AvailabilityHandler handler) = 0;
    virtual std::shared_ptr<Session> makeSession(const QString& instructions) = 0;
    // Where the model is asked, as a person would write it ("127.0.0.1:8080");
    // empty when there is no such place.
    virtual QString address() const { return {}; }

    static QString kindName(GenerationError::Kind kind);

signals:
    void availabilityChanged(LanguageModel::Availability availability);

protected:
    // Runs `work` on the GUI thread after the current event, unless `context` is gone by then.
    static void deliverLater(QObject* context, std::function<void()> work);
};
