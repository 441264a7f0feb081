#pragma once

#include "Sorting/LanguageModel.h"

#include <QElapsedTimer>
#include <QList>
#include <QSet>
#include <QStringList>
#include <QUrl>
#include <utility>

class QNetworkAccessManager;
struct ModelListing;
struct ModelServerReply;

// A model served on this computer through the OpenAI-compatible HTTP API
// (llama.cpp's server, Ollama, LM Studio). Requests only ever go to a loopback
// host: task titles never leave the machine.
class OpenAICompatibleLanguageModel : public LanguageModel {
    Q_OBJECT

public:
    struct Configuration {
        QUrl baseURL{QStringLiteral("http://127.0.0.1:8080")};
        QString modelName; // empty: the first chat model the server lists
        int requestTimeoutMs = 120000;
        int availabilityTimeoutMs = 3000;
        qint64 maximumReplyBytes = 4 * 1024 * 1024;
        int maximumResponseTokens = 4096;

        // QUAVERLOOM_MODEL_URL, QUAVERLOOM_MODEL, QUAVERLOOM_MODEL_TIMEOUT_MS over the defaults.
        static Configuration fromEnvironment();
    };

    // `network` is used when given (tests count its requests); otherwise the model makes its own.
    explicit OpenAICompatibleLanguageModel(Configuration configuration, QNetworkAccessManager* network = nullptr,
                                           QObject* parent = nullptr);
    ~OpenAICompatibleLanguageModel() override;

    Availability availability() override;
    void refreshAvailability(QObject* context, AvailabilityHandler handler) override;
    std::shared_ptr<Session> makeSession(const QString& instructions) override;
    QString address() const override;

    const Configuration& configuration() const { return m_configuration; }
    // The model id requests use: the configured one, else the first model the
    // server lists that can chat (neither marked nor named as an embedding
    // model, nor refused chat since).
    QString modelName() const;

    static bool isLoopbackHost(const QUrl& url);

private:
    class ChatSession;
    struct ChatRequest;

    using HttpHandler = std::function<void(const ModelServerReply&)>;

    void configureNetwork();
    QNetworkAccessManager& network();
    bool canSendRequests() const;
    QUrl endpoint(const QString& path) const;
    void send(const QString& path, const std::optional<QByteArray>& body, int timeoutMs, HttpHandler handler);
    int probeTimeoutMs() const;
    void finishProbe(const ModelServerReply& result);
    void logProbeProblem(const ModelServerReply& result);
    Availability availabilityOf(const ModelServerReply& probe, const std::optional<ModelListing>& listing) const;
    void chatCompletion(const QString& instructions, const QString& prompt, const GenerationSchema& schema,
                        bool includeSchemaInPrompt, const GenerationOptions& options, ResponseHandler handler);
    void postChatCompletion(const std::shared_ptr<const ChatRequest>& request, bool mayTryAnotherModel,
                            ResponseHandler handler);
    // After the server said `model` cannot chat: the reply for the caller, or none when another model was asked.
    std::optional<Response> refuseModel(const QString& model);
    void logModelInUse(const QString& model);
    QString failureReason(const ModelServerReply& result) const;
    // One bounded line: `what` at the server's address failed, and why.
    void logFailure(const QString& what, const QString& reason) const;
    void setAvailability(Availability availability);

    static void logRefusal(const ModelServerReply& result);

    Configuration m_configuration;
    QNetworkAccessManager* m_network = nullptr;
    Availability m_availability = Availability::modelNotReady;
    QStringList m_chatModels;
    // Listed ids the server answered "does not support chat" for.
    QSet<QString> m_refusedModels;
    QString m_modelInUse;
    // What was last logged about the listing and the probes, so a probe every few seconds repeats nothing.
    QString m_loggedListing;
    QString m_loggedProbeFailure;
    QElapsedTimer m_lastProbe;
    bool m_probing = false;
    QList<std::pair<QPointer<QObject>, AvailabilityHandler>> m_availabilityWaiters;
};
