#include "Sorting/OpenAICompatibleLanguageModel.h"

#include "Platform/Logger.h"
#include "Sorting/TaskSortingError.h"

#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QTimer>
#include <algorithm>

namespace {

using GenerationError = LanguageModel::GenerationError;
using Kind = GenerationError::Kind;

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

// Text from the server (or about it), made safe for one log line: control and
// format characters dropped, white space folded, length bounded.
QString oneLine(const QString& text, qsizetype maximumLength = 300)
{
    QString line;
    line.reserve(std::min(text.size(), maximumLength + 1));
    // Folding white space below may shorten a line that was cut here: it still gets its mark.
    bool cut = false;
    for (const QChar c : text) {
        if (line.size() > maximumLength) {
            cut = true;
            break;
        }
        if (c.isSpace())
            line.append(QLatin1Char(' '));
        else if (c.category() != QChar::Other_Control && c.category() != QChar::Other_Format)
            line.append(c);
    }
    line = line.simplified();
    if (cut || line.size() > maximumLength)
        line = line.left(maximumLength - 1) + QChar(0x2026);
    return line;
}

// A model id as the log shows it: quoted, bounded, on one line.
QString quotedId(const QString& id)
{
    return QChar(0x201C) + oneLine(id, 120) + QChar(0x201D);
}

// The server's own reason for refusing ({"error":{"message":...}} or {"error":"..."}), on one line.
QString serverErrorMessage(const QByteArray& body)
{
    const QJsonValue error = QJsonDocument::fromJson(body).object().value(QLatin1String("error"));
    return oneLine(error.isObject() ? error.toObject().value(QLatin1String("message")).toString() : error.toString());
}

bool containsAny(const QByteArray& haystack, std::initializer_list<const char*> needles)
{
    return std::any_of(needles.begin(), needles.end(), [&](const char* needle) { return haystack.contains(needle); });
}

// Servers that ignore response_format sometimes wrap the JSON in a Markdown fence.
QByteArray withoutCodeFence(QByteArray content)
{
    content = content.trimmed();
    if (!content.startsWith("```"))
        return content;
    const qsizetype firstLineEnd = content.indexOf('\n');
    if (firstLineEnd < 0)
        return content;
    content = content.mid(firstLineEnd + 1).trimmed();
    if (content.endsWith("```"))
        content.chop(3);
    return content.trimmed();
}

// Errors of the connection rather than answers with an HTTP status; after the
// head they mean the body stopped short.
bool brokeOff(QNetworkReply::NetworkError error)
{
    return (error != QNetworkReply::NoError && error < QNetworkReply::ProxyConnectionRefusedError)
        || error == QNetworkReply::ProtocolFailure;
}

// Why a reply with a success status is no chat completion, for the log.
QString envelopeProblem(const QByteArray& body, const QJsonDocument& envelope, const QJsonParseError& parseError)
{
    if (body.trimmed().isEmpty())
        return QStringLiteral("the reply is empty");
    if (parseError.error != QJsonParseError::NoError) {
        return QStringLiteral("the reply is not JSON (%1 at byte %2), it begins: %3")
            .arg(parseError.errorString())
            .arg(parseError.offset)
            .arg(oneLine(QString::fromUtf8(body.left(60)), 40));
    }
    if (!envelope.isObject())
        return QStringLiteral("the reply is a JSON array, not a chat completion");
    const QJsonValue choices = envelope.object().value(QLatin1String("choices"));
    if (!choices.isArray()) {
        const QStringList keys = envelope.object().keys();
        return QStringLiteral("the reply is not a chat completion: it has no \"choices\" list (its keys: %1)")
            .arg(keys.isEmpty() ? QStringLiteral("none") : oneLine(keys.mid(0, 8).join(QStringLiteral(", ")), 120));
    }
    if (choices.toArray().isEmpty())
        return QStringLiteral("the reply's \"choices\" list is empty");
    return QStringLiteral("the reply's first choice is not an object");
}

int positiveInt(const QByteArray& text, int fallback)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && value > 0 ? value : fallback;
}

// Embedding and reranking families that servers list beside chat models
// without saying what they are (Ollama lists only ids).
bool namedLikeEmbeddingModel(const QString& id)
{
    const QString lowered = id.toLower();
    if (lowered.contains(QLatin1String("embed")) || lowered.contains(QLatin1String("rerank")))
        return true;
    static const QRegularExpression family(QStringLiteral("(^|[^a-z0-9])(bge|e5|gte|minilm)([^a-z]|$)"));
    return family.match(lowered).hasMatch();
}

// What a server says about a listed model: llama.cpp's server gives
// "capabilities" (in its "models" array), LM Studio a "type".
bool markedAsNotGeneratingText(const QJsonObject& entry)
{
    const QJsonArray capabilities = entry.value(QLatin1String("capabilities")).toArray();
    if (!capabilities.isEmpty()) {
        const bool generates = std::any_of(capabilities.begin(), capabilities.end(), [](const QJsonValue& value) {
            const QString capability = value.toString().toLower();
            return capability == QLatin1String("completion") || capability == QLatin1String("chat")
                || capability == QLatin1String("generate") || capability == QLatin1String("text-generation");
        });
        if (!generates)
            return true;
    }
    const QString type = entry.value(QLatin1String("type")).toString().toLower();
    return type.contains(QLatin1String("embed")) || type.contains(QLatin1String("rerank"));
}

QString durationText(int milliseconds)
{
    return milliseconds % 1000 == 0 ? QStringLiteral("%1 s").arg(milliseconds / 1000)
                                    : QStringLiteral("%1 ms").arg(milliseconds);
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
    send(QStringLiteral("/v1/models"), std::nullopt,
         std::min(m_configuration.availabilityTimeoutMs, m_configuration.requestTimeoutMs),
         [this](const HttpResult& result) { finishProbe(result); });
}

void OpenAICompatibleLanguageModel::finishProbe(const HttpResult& result)
{
    m_probing = false;
    m_lastProbe.start();
    const std::optional<ModelListing> listing = modelListing(result);

    // A probe runs every few seconds while someone looks: each problem is logged once, until it changes.
    if (result.outcome == HttpResult::Outcome::failed || result.outcome == HttpResult::Outcome::timedOut) {
        const QString failure = result.outcome == HttpResult::Outcome::timedOut
            ? QStringLiteral("no answer within %1").arg(durationText(m_configuration.availabilityTimeoutMs))
            : result.errorString;
        if (failure != m_loggedProbeFailure) {
            m_loggedProbeFailure = failure;
            logFailure(QStringLiteral("Asking the model server for its models"), failureReason(result));
        }
    } else {
        m_loggedProbeFailure.clear();
    }

    if (listing) {
        m_chatModels = listing->chatModels;
        // A refusal counts only while the server still lists that id.
        m_refusedModels.intersect(QSet<QString>(listing->ids.begin(), listing->ids.end()));
        const QString& configured = m_configuration.modelName;
        if (!configured.isEmpty() && !listing->ids.contains(configured)) {
            QStringList shown;
            for (const QString& id : listing->ids.mid(0, 20))
                shown << quotedId(id);
            if (listing->ids.size() > 20)
                shown << QStringLiteral("and %1 more").arg(listing->ids.size() - 20);
            const QString listed = shown.isEmpty() ? QStringLiteral("none") : shown.join(QStringLiteral(", "));
            if (listed != m_loggedListing) {
                m_loggedListing = listed;
                logger().error(QStringLiteral("QUAVERLOOM_MODEL names %1, which the model server at %2 does not "
                                              "list; it lists: %3")
                                   .arg(quotedId(configured), address(), listed));
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

std::optional<OpenAICompatibleLanguageModel::ModelListing> OpenAICompatibleLanguageModel::modelListing(
    const HttpResult& result)
{
    if (result.outcome != HttpResult::Outcome::answered || result.status < 200 || result.status > 299)
        return std::nullopt;
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(result.body, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject() || !document.object()["data"].isArray())
        return std::nullopt;
    // llama.cpp's server describes its models again in a "models" array, by name.
    QHash<QString, QJsonObject> described;
    for (const QJsonValue& value : document.object()["models"].toArray()) {
        const QJsonObject entry = value.toObject();
        for (const char* key : {"model", "name"}) {
            const QString name = entry.value(QLatin1String(key)).toString();
            if (!name.isEmpty())
                described.insert(name, entry);
        }
    }
    ModelListing listing;
    QSet<QString> seen;
    for (const QJsonValue& value : document.object()["data"].toArray()) {
        const QJsonObject entry = value.toObject();
        const QString id = entry["id"].toString();
        if (id.isEmpty() || seen.contains(id))
            continue;
        seen.insert(id);
        listing.ids.append(id);
        if (!markedAsNotGeneratingText(entry) && !markedAsNotGeneratingText(described.value(id))
            && !namedLikeEmbeddingModel(id))
            listing.chatModels.append(id);
    }
    return listing;
}

LanguageModel::Availability OpenAICompatibleLanguageModel::availabilityOf(
    const HttpResult& probe, const std::optional<ModelListing>& listing) const
{
    switch (probe.outcome) {
    case HttpResult::Outcome::connectionRefused:
        return Availability::notEnabled;
    case HttpResult::Outcome::timedOut:
    case HttpResult::Outcome::tooLarge:
    case HttpResult::Outcome::failed:
        return Availability::other;
    case HttpResult::Outcome::answered:
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
         [this, request, mayTryAnotherModel, handler, model, timeoutMs](const HttpResult& result) {
             logRefusal(result);
             if (refusesChat(result)) {
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
             const Response response = responseFrom(result, timeoutMs, &cause);
             if (result.outcome == HttpResult::Outcome::failed || result.outcome == HttpResult::Outcome::tooLarge)
                 cause = failureReason(result);
             if (!cause.isEmpty())
                 logFailure(QStringLiteral("Asking the model for an answer"), cause);
             handler(response);
         });
}

void OpenAICompatibleLanguageModel::logRefusal(const HttpResult& result)
{
    if (result.outcome != HttpResult::Outcome::answered || (result.status >= 200 && result.status <= 299))
        return;
    // The mapped AI Sort error says little; the server's reason goes to the log beside it.
    if (const QString reason = serverErrorMessage(result.body); !reason.isEmpty())
        logger().error(QStringLiteral("The model server refused the request (HTTP %1): %2").arg(result.status).arg(reason));
}

bool OpenAICompatibleLanguageModel::refusesChat(const HttpResult& result)
{
    if (result.outcome != HttpResult::Outcome::answered || result.status < 400)
        return false;
    // Ollama: "... does not support chat"; llama.cpp started for embeddings: "This server does not support
    // completions"; other servers name the model's kind.
    const QByteArray lowered = result.body.toLower();
    return containsAny(lowered, {"not support chat", "not support generat", "not support completion",
                                 "not a chat model", "embedding model", "embeddings model", "not an llm",
                                 "without `--embedding"});
}

std::optional<LanguageModel::Response> OpenAICompatibleLanguageModel::refuseModel(const QString& model)
{
    if (!m_configuration.modelName.isEmpty()) {
        logger().error(QStringLiteral("The model server at %1 says QUAVERLOOM_MODEL %2 does not support chat")
                           .arg(address(), quotedId(model)));
        return Response(OtherError{QStringLiteral("The model set in QUAVERLOOM_MODEL does not support chat.")});
    }
    m_refusedModels.insert(model);
    const QString next = modelName();
    logger().error(QStringLiteral("The model server at %1 says %2 does not support chat; %3")
                       .arg(address(), quotedId(model),
                            next.isEmpty() ? QStringLiteral("it lists no other chat model")
                                           : QStringLiteral("the next model it lists is %1").arg(quotedId(next))));
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
                              .arg(quotedId(model), address(),
                                   m_configuration.modelName.isEmpty()
                                       ? QStringLiteral("the first chat model the server lists")
                                       : QStringLiteral("set by QUAVERLOOM_MODEL"))));
}

QString OpenAICompatibleLanguageModel::failureReason(const HttpResult& result) const
{
    if (result.outcome == HttpResult::Outcome::timedOut)
        return QStringLiteral("no answer in time");
    if (result.outcome == HttpResult::Outcome::tooLarge)
        return QStringLiteral("the reply was larger than %1 bytes").arg(m_configuration.maximumReplyBytes);
    return result.errorString.isEmpty() ? QStringLiteral("unknown network error") : result.errorString;
}

void OpenAICompatibleLanguageModel::logFailure(const QString& what, const QString& reason) const
{
    logger().error(QStringLiteral("%1 at %2 failed: %3").arg(what, address(), oneLine(reason)));
}

LanguageModel::Response OpenAICompatibleLanguageModel::responseFrom(const HttpResult& result, int timeoutMs,
                                                                    QString* cause)
{
    switch (result.outcome) {
    case HttpResult::Outcome::timedOut:
        // Not the model's own failure, so the sort ends here and the user reads why.
        return OtherError{QStringLiteral("The model did not answer within the time limit (%1).").arg(durationText(timeoutMs))};
    case HttpResult::Outcome::tooLarge:
        return generationError(Kind::other, QStringLiteral("The model server's reply was too large."));
    case HttpResult::Outcome::connectionRefused:
        return generationError(Kind::other, QStringLiteral("The model server refused the connection."));
    case HttpResult::Outcome::failed:
        return generationError(Kind::other, result.errorString);
    case HttpResult::Outcome::answered:
        break;
    }

    const QByteArray lowered = result.body.toLower();
    QString detail = QStringLiteral("HTTP %1: %2").arg(result.status).arg(QString::fromUtf8(result.body.left(300)));
    if (result.status < 200 || result.status > 299) {
        if (const QString reason = serverErrorMessage(result.body); !reason.isEmpty())
            detail = QStringLiteral("HTTP %1: %2").arg(result.status).arg(reason);
    }
    if (result.status >= 300 && result.status <= 399) {
        *cause = QStringLiteral("the server answered HTTP %1, a redirect to %2, which is not followed")
                     .arg(result.status)
                     .arg(result.location.isEmpty() ? QStringLiteral("no address")
                                                    : oneLine(QString::fromUtf8(result.location), 120));
    }
    if (result.status == 429)
        return generationError(Kind::rateLimited, detail);
    if (result.status == 404 || result.status == 503)
        return generationError(Kind::assetsUnavailable, detail);
    if (result.status < 200 || result.status > 299) {
        if (containsAny(lowered, {"context_length_exceeded", "exceed_context_size", "context size", "context length",
                                  "context window", "maximum context"}))
            return generationError(Kind::exceededContextWindowSize, detail);
        if (result.status >= 400 && containsAny(lowered, {"schema", "response_format", "grammar"}))
            return generationError(Kind::unsupportedGuide, detail);
        return generationError(Kind::other, detail);
    }

    QJsonParseError parseError;
    const QJsonDocument envelope = QJsonDocument::fromJson(result.body, &parseError);
    const QJsonArray choices = envelope.object()["choices"].toArray();
    if (parseError.error != QJsonParseError::NoError || choices.isEmpty() || !choices.first().isObject()) {
        *cause = envelopeProblem(result.body, envelope, parseError);
        return generationError(Kind::other, QStringLiteral("The model server's reply is not a chat completion."));
    }
    const QJsonObject choice = choices.first().toObject();
    const QString finishReason = choice["finish_reason"].toString();
    const QJsonObject message = choice["message"].toObject();
    if (finishReason == QLatin1String("length"))
        return generationError(Kind::exceededContextWindowSize, QStringLiteral("The answer was cut off."));
    if (finishReason == QLatin1String("content_filter"))
        return generationError(Kind::guardrailViolation, QStringLiteral("The server's content filter stopped the answer."));
    if (message["refusal"].isString() && !message["refusal"].toString().trimmed().isEmpty())
        return generationError(Kind::refusal, message["refusal"].toString());
    if (!message["content"].isString()) {
        *cause = QStringLiteral("the reply's message has no text content");
        return generationError(Kind::decodingFailure, QStringLiteral("The answer has no content."));
    }
    const QJsonDocument content =
        QJsonDocument::fromJson(withoutCodeFence(message["content"].toString().toUtf8()), &parseError);
    if (parseError.error != QJsonParseError::NoError || content.isNull()) {
        // The answer holds task titles: only where it breaks is logged.
        *cause = QStringLiteral("the answer is not valid JSON (%1 at byte %2)")
                     .arg(parseError.errorString())
                     .arg(parseError.offset);
        return generationError(Kind::decodingFailure,
                               QStringLiteral("The answer is not valid JSON: %1").arg(parseError.errorString()));
    }
    return content.isObject() ? QJsonValue(content.object()) : QJsonValue(content.array());
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
        HttpResult result;
        if (transfer->tooLarge) {
            result.outcome = HttpResult::Outcome::tooLarge;
        } else if (transfer->timedOut) {
            result.outcome = HttpResult::Outcome::timedOut;
        } else if (const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(); status > 0) {
            transfer->body += reply->read(limit + 1 - transfer->body.size());
            if (transfer->body.size() > limit) {
                result.outcome = HttpResult::Outcome::tooLarge;
            } else if (brokeOff(reply->error())) {
                // A reset or an early end after the head: what arrived is only part of an answer.
                result.outcome = HttpResult::Outcome::failed;
                result.status = status;
                result.errorString = QStringLiteral("the reply broke off after %1 bytes (%2)")
                                         .arg(transfer->body.size())
                                         .arg(reply->errorString());
            } else {
                result.outcome = HttpResult::Outcome::answered;
                result.status = status;
                result.body = transfer->body;
                result.location = reply->rawHeader("Location");
            }
        } else if (reply->error() == QNetworkReply::ConnectionRefusedError) {
            result.outcome = HttpResult::Outcome::connectionRefused;
            result.errorString = reply->errorString();
        } else {
            result.outcome = HttpResult::Outcome::failed;
            result.errorString = reply->errorString();
        }
        handler(result);
    });
}
