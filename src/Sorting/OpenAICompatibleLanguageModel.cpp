#include "Sorting/OpenAICompatibleLanguageModel.h"

#include "Platform/Logger.h"
#include "Sorting/ModelServerReply.h"
#include "Sorting/TaskSortingError.h"

#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <algorithm>

namespace {

using GenerationError = LanguageModel::GenerationError;
using Kind = GenerationError::Kind;
using Outcome = ModelServerReply::Outcome;

// The overview page reads the availability on every render; one probe per few seconds is plenty.
constexpr qint64 kAvailabilityMaxAgeMs = 5000;

QByteArray jsonText(const QJsonValue& value)
{
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

GenerationError generationError(Kind kind, const QString& description)
{
    return GenerationError{kind, description};
}

const Logger& logger()
{
    static const Logger instance(QStringLiteral("OpenAICompatibleLanguageModel"));
    return instance;
}

// Errors of the connection rather than answers with an HTTP status; after the
// head they mean the body stopped short.
bool brokeOff(QNetworkReply::NetworkError error)
{
    return (error != QNetworkReply::NoError && error < QNetworkReply::ProxyConnectionRefusedError)
        || error == QNetworkReply::ProtocolFailure;
}

int positiveInt(const QByteArray& text, int fallback)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && value > 0 ? value : fallback;
}

} // namespace

struct OpenAICompatibleLanguageModel::ChatRequest {
    // The request body after its model id.
    QByteArray bodyAfterModel;
};

class OpenAICompatibleLanguageModel::ChatSession : public LanguageModel::Session {
public:
    ChatSession(OpenAICompatibleLanguageModel* model, QString instructions)
        : m_model(model), m_instructions(std::move(instructions))
    {
    }

    void respond(const QString& prompt, const GenerationSchema& schema, bool includeSchemaInPrompt,
                 const GenerationOptions& options, QObject* context, ResponseHandler handler) override
    {
        if (*m_busy) {
            deliverLater(context, [handler] {
                handler(generationError(Kind::concurrentRequests, QStringLiteral("The session is already answering.")));
            });
            return;
        }
        if (!m_model) {
            deliverLater(context, [handler] {
                handler(generationError(Kind::other, QStringLiteral("The language model is gone.")));
            });
            return;
        }
        *m_busy = true;
        // The busy flag clears even when the caller's context is gone by then.
        QPointer<QObject> guard(context);
        const bool hasContext = context != nullptr;
        m_model->chatCompletion(m_instructions, prompt, schema, includeSchemaInPrompt, options,
                                [busy = m_busy, guard, hasContext, handler](const Response& response) {
                                    *busy = false;
                                    if (hasContext && !guard)
                                        return;
                                    handler(response);
                                });
    }

private:
    QPointer<OpenAICompatibleLanguageModel> m_model;
    QString m_instructions;
    std::shared_ptr<bool> m_busy = std::make_shared<bool>(false);
};

OpenAICompatibleLanguageModel::Configuration OpenAICompatibleLanguageModel::Configuration::fromEnvironment()
{
    Configuration configuration;
    const QString url = qEnvironmentVariable("QUAVERLOOM_MODEL_URL").trimmed();
    if (!url.isEmpty())
        configuration.baseURL = QUrl(url, QUrl::StrictMode);
    configuration.modelName = qEnvironmentVariable("QUAVERLOOM_MODEL").trimmed();
    configuration.requestTimeoutMs =
        positiveInt(qgetenv("QUAVERLOOM_MODEL_TIMEOUT_MS"), configuration.requestTimeoutMs);
    return configuration;
}

OpenAICompatibleLanguageModel::OpenAICompatibleLanguageModel(Configuration configuration,
                                                             QNetworkAccessManager* network, QObject* parent)
    : LanguageModel(parent), m_configuration(std::move(configuration)),
      m_network(network)
{
    if (m_network)
        configureNetwork();
    const QUrl& url = m_configuration.baseURL;
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty()
        || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        m_availability = Availability::other;
    else if (!isLoopbackHost(url))
        m_availability = Availability::deviceNotEligible;
}

OpenAICompatibleLanguageModel::~OpenAICompatibleLanguageModel() = default;

void OpenAICompatibleLanguageModel::configureNetwork()
{
    // Loopback only: a system proxy must never see the titles.
    m_network->setProxy(QNetworkProxy::NoProxy);
    m_network->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
}

QNetworkAccessManager& OpenAICompatibleLanguageModel::network()
{
    // Made on the first request: the network stack weighs on every start-up
    // of a program that may never ask a model anything.
    if (!m_network) {
        m_network = new QNetworkAccessManager(this);
        configureNetwork();
    }
    return *m_network;
}

bool OpenAICompatibleLanguageModel::isLoopbackHost(const QUrl& url)
{
    const QString host = url.host();
    if (host.isEmpty())
        return false;
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

bool OpenAICompatibleLanguageModel::canSendRequests() const
{
    const QUrl& url = m_configuration.baseURL;
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        && isLoopbackHost(url);
}

QString OpenAICompatibleLanguageModel::modelName() const
{
    if (!m_configuration.modelName.isEmpty())
        return m_configuration.modelName;
    for (const QString& id : m_chatModels) {
        if (!m_refusedModels.contains(id))
            return id;
    }
    return {};
}

QString OpenAICompatibleLanguageModel::address() const
{
    const QUrl& url = m_configuration.baseURL;
    const QString host = url.host();
    if (host.isEmpty())
        return {};
    const int port = url.port(url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0 ? 443 : 80);
    return (host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host) + QLatin1Char(':')
        + QString::number(port);
}

QUrl OpenAICompatibleLanguageModel::endpoint(const QString& path) const
{
    QUrl url = m_configuration.baseURL;
    QString base = url.path();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    // Servers document their base URL with or without the API prefix; accept both.
    if (base.endsWith(QLatin1String("/v1")))
        base.chop(3);
    url.setPath(base + path);
    url.setQuery(QString());
    url.setFragment(QString());
    return url;
}

LanguageModel::Availability OpenAICompatibleLanguageModel::availability()
{
    if (canSendRequests() && !m_probing && (!m_lastProbe.isValid() || m_lastProbe.hasExpired(kAvailabilityMaxAgeMs)))
        refreshAvailability(this, [](Availability) {});
    return m_availability;
}

void OpenAICompatibleLanguageModel::refreshAvailability(QObject* context, AvailabilityHandler handler)
{
    if (!canSendRequests()) {
        const Availability known = m_availability;
        deliverLater(context, [handler, known] { handler(known); });
        return;
    }
    m_availabilityWaiters.append({QPointer<QObject>(context ? context : this), std::move(handler)});
    if (m_probing)
        return;
    m_probing = true;
    send(QStringLiteral("/v1/models"), std::nullopt, probeTimeoutMs(),
         [this](const ModelServerReply& result) { finishProbe(result); });
}

int OpenAICompatibleLanguageModel::probeTimeoutMs() const
{
    return std::min(m_configuration.availabilityTimeoutMs, m_configuration.requestTimeoutMs);
}

void OpenAICompatibleLanguageModel::finishProbe(const ModelServerReply& result)
{
    m_probing = false;
    m_lastProbe.start();
    const std::optional<ModelListing> listing = result.modelListing();
    logProbeProblem(result);

    if (listing) {
        m_chatModels = listing->chatModels;
        // A refusal counts only while the server still lists that id.
        m_refusedModels.intersect(QSet<QString>(listing->ids.begin(), listing->ids.end()));
        const QString& configured = m_configuration.modelName;
        if (!configured.isEmpty() && !listing->ids.contains(configured)) {
            QStringList shown;
            for (const QString& id : listing->ids.mid(0, 20))
                shown << quotedModelId(id);
            if (listing->ids.size() > 20)
                shown << QStringLiteral("and %1 more").arg(listing->ids.size() - 20);
            const QString listed = shown.isEmpty() ? QStringLiteral("none") : shown.join(QStringLiteral(", "));
            if (listed != m_loggedListing) {
                m_loggedListing = listed;
                logger().error(QStringLiteral("QUAVERLOOM_MODEL names %1, which the model server at %2 does not "
                                              "list; it lists: %3")
                                   .arg(quotedModelId(configured), address(), listed));
            }
        } else {
            m_loggedListing.clear();
        }
    }

    const auto waiters = std::exchange(m_availabilityWaiters, {});
    setAvailability(availabilityOf(result, listing));
    for (const auto& [context, handler] : waiters) {
        if (context)
            handler(m_availability);
    }
}

void OpenAICompatibleLanguageModel::setAvailability(Availability availability)
{
    const bool changed = availability != m_availability;
    m_availability = availability;
    if (changed)
        emit availabilityChanged(availability);
}

void OpenAICompatibleLanguageModel::logProbeProblem(const ModelServerReply& result)
{
    QString cause;
    switch (result.outcome) {
    case Outcome::connectionRefused:
        // Nothing listens: the status line already asks for a server.
        break;
    case Outcome::timedOut:
        cause = QStringLiteral("no answer within %1").arg(durationText(probeTimeoutMs()));
        break;
    case Outcome::tooLarge:
    case Outcome::failed:
        cause = failureReason(result);
        break;
    case Outcome::answered:
        cause = result.listingProblem();
        break;
    }
    // A probe runs every few seconds while someone looks: each problem is logged once, until it changes.
    if (cause == m_loggedProbeFailure)
        return;
    m_loggedProbeFailure = cause;
    if (!cause.isEmpty())
        logFailure(QStringLiteral("Asking the model server for its models"), cause);
}

LanguageModel::Availability OpenAICompatibleLanguageModel::availabilityOf(
    const ModelServerReply& probe, const std::optional<ModelListing>& listing) const
{
    switch (probe.outcome) {
    case Outcome::connectionRefused:
        return Availability::notEnabled;
    case Outcome::timedOut:
    case Outcome::tooLarge:
    case Outcome::failed:
        return Availability::other;
    case Outcome::answered:
        break;
    }
    if (probe.status == 503)
        return Availability::modelNotReady;
    if (!listing)
        return Availability::other;
    if (!m_configuration.modelName.isEmpty())
        return listing->ids.contains(m_configuration.modelName) ? Availability::available
                                                                 : Availability::modelNotServed;
    return modelName().isEmpty() ? Availability::noChatModel : Availability::available;
}

std::shared_ptr<LanguageModel::Session> OpenAICompatibleLanguageModel::makeSession(const QString& instructions)
{
    return std::make_shared<ChatSession>(this, instructions);
}

void OpenAICompatibleLanguageModel::chatCompletion(const QString& instructions, const QString& prompt,
                                                   const GenerationSchema& schema, bool includeSchemaInPrompt,
                                                   const GenerationOptions& options, ResponseHandler handler)
{
    if (!canSendRequests()) {
        const QString reason = isLoopbackHost(m_configuration.baseURL)
            ? QStringLiteral("The model URL is not a usable http URL.")
            : QStringLiteral("The model URL does not point at this computer; nothing was sent.");
        deliverLater(this, [handler, reason] { handler(generationError(Kind::other, reason)); });
        return;
    }
    const QByteArray schemaText = schema.json.trimmed();
    QJsonParseError schemaError;
    if (!QJsonDocument::fromJson(schemaText, &schemaError).isObject()) {
        deliverLater(this, [handler] {
            handler(generationError(Kind::unsupportedGuide, QStringLiteral("The response schema is not a JSON object.")));
        });
        return;
    }

    QString userContent = prompt;
    if (includeSchemaInPrompt)
        userContent += QStringLiteral("\n\nRespond with JSON that matches this schema:\n") + QString::fromUtf8(schemaText);
    const QJsonArray messages{
        QJsonObject{{"role", "system"}, {"content", instructions}},
        QJsonObject{{"role", "user"}, {"content", userContent}},
    };
    auto request = std::make_shared<ChatRequest>();
    QByteArray& body = request->bodyAfterModel;
    body = ",\"messages\":" + jsonText(messages);
    if (options.temperature)
        body += ",\"temperature\":" + jsonText(*options.temperature);
    body += ",\"stream\":false,\"max_tokens\":"
        + jsonText(options.maximumResponseTokens.value_or(m_configuration.maximumResponseTokens));
    body += ",\"response_format\":{\"type\":\"json_schema\",\"json_schema\":{\"name\":" + jsonText(schema.name)
        + ",\"strict\":true,\"schema\":" + schemaText + "}}}";

    if (!modelName().isEmpty()) {
        postChatCompletion(request, true, handler);
        return;
    }
    // No model id learnt yet: ask the server which ones it serves first.
    refreshAvailability(this, [this, request, handler](Availability) { postChatCompletion(request, true, handler); });
}

void OpenAICompatibleLanguageModel::postChatCompletion(const std::shared_ptr<const ChatRequest>& request,
                                                       bool mayTryAnotherModel, ResponseHandler handler)
{
    const QString model = modelName();
    if (model.isEmpty()) {
        if (m_availability == Availability::noChatModel)
            handler(OtherError{TaskSortingError::noChatModelMessage()});
        else
            handler(generationError(Kind::assetsUnavailable, QStringLiteral("The model server lists no model.")));
        return;
    }
    logModelInUse(model);
    const int timeoutMs = m_configuration.requestTimeoutMs;
    send(QStringLiteral("/v1/chat/completions"), "{\"model\":" + jsonText(model) + request->bodyAfterModel, timeoutMs,
         [this, request, mayTryAnotherModel, handler, model, timeoutMs](const ModelServerReply& result) {
             logRefusal(result);
             if (result.refusesChat()) {
                 std::optional<Response> reply = refuseModel(model);
                 if (!reply && mayTryAnotherModel) {
                     postChatCompletion(request, false, handler);
                     return;
                 }
                 handler(reply.value_or(OtherError{
                     QStringLiteral("The models the server lists first do not support chat. Set QUAVERLOOM_MODEL "
                                    "to a chat model.")}));
                 return;
             }
             // The status line keeps its short text; why this reply was of no use goes to the log.
             QString cause;
             const Response response = result.chatResponse(timeoutMs, &cause);
             if (result.outcome == Outcome::failed || result.outcome == Outcome::tooLarge)
                 cause = failureReason(result);
             if (!cause.isEmpty())
                 logFailure(QStringLiteral("Asking the model for an answer"), cause);
             handler(response);
         });
}

void OpenAICompatibleLanguageModel::logRefusal(const ModelServerReply& result)
{
    // A body cut short has its own line, which names the status.
    if (result.outcome != Outcome::answered || result.isSuccess() || result.cutShort)
        return;
    // The mapped AI Sort error says little; the server's reason goes to the log beside it.
    if (const QString reason = result.serverErrorMessage(); !reason.isEmpty())
        logger().error(QStringLiteral("The model server refused the request (HTTP %1): %2").arg(result.status).arg(reason));
}

std::optional<LanguageModel::Response> OpenAICompatibleLanguageModel::refuseModel(const QString& model)
{
    if (!m_configuration.modelName.isEmpty()) {
        logger().error(QStringLiteral("The model server at %1 says QUAVERLOOM_MODEL %2 does not support chat")
                           .arg(address(), quotedModelId(model)));
        return Response(OtherError{QStringLiteral("The model set in QUAVERLOOM_MODEL does not support chat.")});
    }
    m_refusedModels.insert(model);
    const QString next = modelName();
    logger().error(QStringLiteral("The model server at %1 says %2 does not support chat; %3")
                       .arg(address(), quotedModelId(model),
                            next.isEmpty() ? QStringLiteral("it lists no other chat model")
                                           : QStringLiteral("the next model it lists is %1").arg(quotedModelId(next))));
    if (next.isEmpty()) {
        setAvailability(Availability::noChatModel);
        return Response(OtherError{TaskSortingError::noChatModelMessage()});
    }
    return std::nullopt;
}

void OpenAICompatibleLanguageModel::logModelInUse(const QString& model)
{
    if (model == m_modelInUse)
        return;
    m_modelInUse = model;
    qCInfo(logger().category(), "%s",
           qUtf8Printable(QStringLiteral("AI Sort asks the model %1 at %2 (%3)")
                              .arg(quotedModelId(model), address(),
                                   m_configuration.modelName.isEmpty()
                                       ? QStringLiteral("the first chat model the server lists")
                                       : QStringLiteral("set by QUAVERLOOM_MODEL"))));
}

QString OpenAICompatibleLanguageModel::failureReason(const ModelServerReply& result) const
{
    if (result.outcome == Outcome::timedOut)
        return QStringLiteral("no answer in time");
    if (result.outcome == Outcome::tooLarge)
        return QStringLiteral("the reply was larger than %1 bytes").arg(m_configuration.maximumReplyBytes);
    return result.errorString.isEmpty() ? QStringLiteral("unknown network error") : result.errorString;
}

void OpenAICompatibleLanguageModel::logFailure(const QString& what, const QString& reason) const
{
    logger().error(QStringLiteral("%1 at %2 failed: %3").arg(what, address(), oneLogLine(reason)));
}

void OpenAICompatibleLanguageModel::send(const QString& path, const std::optional<QByteArray>& body, int timeoutMs,
                                         HttpHandler handler)
{
    QNetworkRequest request(endpoint(path));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setRawHeader("Accept", "application/json");
    if (body)
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));

    QNetworkReply* reply = body ? network().post(request, *body) : network().get(request);

    struct Transfer {
        QByteArray body;
        bool timedOut = false;
        bool tooLarge = false;
    };
    auto transfer = std::make_shared<Transfer>();
    const qint64 limit = m_configuration.maximumReplyBytes;

    auto* timer = new QTimer(reply);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, reply, [reply, transfer] {
        transfer->timedOut = true;
        reply->abort();
    });
    timer->start(std::max(1, timeoutMs));

    connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, transfer, limit] {
        const QVariant declared = reply->header(QNetworkRequest::ContentLengthHeader);
        if (declared.isValid() && declared.toLongLong() > limit && !transfer->tooLarge) {
            transfer->tooLarge = true;
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::readyRead, reply, [reply, transfer, limit] {
        if (transfer->tooLarge || transfer->timedOut)
            return;
        transfer->body += reply->read(limit + 1 - transfer->body.size());
        if (transfer->body.size() > limit) {
            transfer->tooLarge = true;
            transfer->body.clear();
            reply->abort();
        }
    });
    // The model is the receiver: a reply that outlives it reports to no one.
    connect(reply, &QNetworkReply::finished, this, [reply, transfer, limit, handler] {
        reply->deleteLater();
        ModelServerReply result;
        if (transfer->tooLarge) {
            result.outcome = Outcome::tooLarge;
        } else if (transfer->timedOut) {
            result.outcome = Outcome::timedOut;
        } else if (const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(); status > 0) {
            transfer->body += reply->read(limit + 1 - transfer->body.size());
            result.status = status;
            if (transfer->body.size() > limit) {
                result.outcome = Outcome::tooLarge;
            } else {
                result.outcome = Outcome::answered;
                result.body = transfer->body;
                result.location = reply->rawHeader("Location");
                if (brokeOff(reply->error())) {
                    // A reset or an early end after the head: what arrived is only part of the body.
                    result.cutShort = true;
                    result.errorString = QStringLiteral("the reply broke off after %1 bytes (%2)")
                                             .arg(transfer->body.size())
                                             .arg(reply->errorString());
                    // Part of an answer is no answer; a refusal's status still says what it meant.
                    if (result.isSuccess()) {
                        result.outcome = Outcome::failed;
                        result.body.clear();
                    }
                }
            }
        } else if (reply->error() == QNetworkReply::ConnectionRefusedError) {
            result.outcome = Outcome::connectionRefused;
            result.errorString = reply->errorString();
        } else {
            result.outcome = Outcome::failed;
            result.errorString = reply->errorString();
        }
        handler(result);
    });
}
