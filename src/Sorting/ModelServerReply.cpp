#include "Sorting/ModelServerReply.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>

namespace {

using GenerationError = LanguageModel::GenerationError;
using Kind = GenerationError::Kind;

GenerationError generationError(Kind kind, const QString& description)
{
    return GenerationError{kind, description};
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

QString beginning(const QByteArray& body)
{
    return oneLogLine(QString::fromUtf8(body.left(60)), 40);
}

// Why a body with a success status is not the JSON object `what` holding a
// list under `listKey`; empty when it is, and the caller reads on.
QString bodyProblem(const QByteArray& body, const QJsonDocument& document, const QJsonParseError& parseError,
                    const QString& what, const QString& listKey)
{
    if (body.trimmed().isEmpty())
        return QStringLiteral("the reply is empty");
    if (parseError.error != QJsonParseError::NoError) {
        return QStringLiteral("the reply is not JSON (%1 at byte %2), it begins: %3")
            .arg(parseError.errorString())
            .arg(parseError.offset)
            .arg(beginning(body));
    }
    if (!document.isObject())
        return QStringLiteral("the reply is a JSON array, not %1").arg(what);
    if (!document.object().value(listKey).isArray()) {
        const QStringList keys = document.object().keys();
        return QStringLiteral("the reply is not %1: it has no \"%2\" list (its keys: %3)")
            .arg(what, listKey,
                 keys.isEmpty() ? QStringLiteral("none") : oneLogLine(keys.mid(0, 8).join(QStringLiteral(", ")), 120));
    }
    return {};
}

bool isRedirect(const ModelServerReply& reply)
{
    return reply.status >= 300 && reply.status <= 399;
}

QString redirectProblem(const ModelServerReply& reply)
{
    return QStringLiteral("the server answered HTTP %1, a redirect to %2, which is not followed")
        .arg(reply.status)
        .arg(reply.location.isEmpty() ? QStringLiteral("no address") : oneLogLine(QString::fromUtf8(reply.location), 120));
}

QString cutShortProblem(const ModelServerReply& reply)
{
    return QStringLiteral("the server answered HTTP %1, and %2").arg(reply.status).arg(reply.errorString);
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

} // namespace

QString oneLogLine(const QString& text, qsizetype maximumLength)
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

QString quotedModelId(const QString& id)
{
    return QChar(0x201C) + oneLogLine(id, 120) + QChar(0x201D);
}

QString durationText(int milliseconds)
{
    return milliseconds % 1000 == 0 ? QStringLiteral("%1 s").arg(milliseconds / 1000)
                                    : QStringLiteral("%1 ms").arg(milliseconds);
}

QString ModelServerReply::serverErrorMessage() const
{
    const QJsonValue error = QJsonDocument::fromJson(body).object().value(QLatin1String("error"));
    return oneLogLine(error.isObject() ? error.toObject().value(QLatin1String("message")).toString() : error.toString());
}

bool ModelServerReply::refusesChat() const
{
    if (outcome != Outcome::answered || status < 400)
        return false;
    // Ollama: "... does not support chat"; llama.cpp started for embeddings: "This server does not support
    // completions"; other servers name the model's kind.
    const QByteArray lowered = body.toLower();
    return containsAny(lowered, {"not support chat", "not support generat", "not support completion",
                                 "not a chat model", "embedding model", "embeddings model", "not an llm",
                                 "without `--embedding"});
}

std::optional<ModelListing> ModelServerReply::modelListing() const
{
    if (!isSuccess())
        return std::nullopt;
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
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

QString ModelServerReply::listingProblem() const
{
    if (outcome != Outcome::answered)
        return {};
    if (isRedirect(*this))
        return redirectProblem(*this);
    if (cutShort)
        return cutShortProblem(*this);
    if (!isSuccess()) {
        if (const QString reason = serverErrorMessage(); !reason.isEmpty())
            return QStringLiteral("the server answered HTTP %1: %2").arg(status).arg(reason);
        return body.trimmed().isEmpty()
            ? QStringLiteral("the server answered HTTP %1 with nothing more").arg(status)
            : QStringLiteral("the server answered HTTP %1, its reply begins: %2").arg(status).arg(beginning(body));
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    return bodyProblem(body, document, parseError, QStringLiteral("a model list"), QStringLiteral("data"));
}

LanguageModel::Response ModelServerReply::chatResponse(int timeoutMs, QString* cause) const
{
    switch (outcome) {
    case Outcome::timedOut:
        // Not the model's own failure, so the sort ends here and the user reads why.
        return LanguageModel::OtherError{
            QStringLiteral("The model did not answer within the time limit (%1).").arg(durationText(timeoutMs))};
    case Outcome::tooLarge:
        return generationError(Kind::other, QStringLiteral("The model server's reply was too large."));
    case Outcome::connectionRefused:
        return generationError(Kind::other, QStringLiteral("The model server refused the connection."));
    case Outcome::failed:
        return generationError(Kind::other, errorString);
    case Outcome::answered:
        break;
    }

    const QByteArray lowered = body.toLower();
    QString detail = QStringLiteral("HTTP %1: %2").arg(status).arg(QString::fromUtf8(body.left(300)));
    if (!isSuccess()) {
        if (const QString reason = serverErrorMessage(); !reason.isEmpty())
            detail = QStringLiteral("HTTP %1: %2").arg(status).arg(reason);
    }
    if (isRedirect(*this))
        *cause = redirectProblem(*this);
    else if (cutShort)
        *cause = cutShortProblem(*this);
    // A body cut short still carries its status: a busy server stays busy.
    if (status == 429)
        return generationError(Kind::rateLimited, detail);
    if (status == 404 || status == 503)
        return generationError(Kind::assetsUnavailable, detail);
    if (!isSuccess()) {
        if (containsAny(lowered, {"context_length_exceeded", "exceed_context_size", "context size", "context length",
                                  "context window", "maximum context"}))
            return generationError(Kind::exceededContextWindowSize, detail);
        if (status >= 400 && containsAny(lowered, {"schema", "response_format", "grammar"}))
            return generationError(Kind::unsupportedGuide, detail);
        return generationError(Kind::other, detail);
    }

    QJsonParseError parseError;
    const QJsonDocument envelope = QJsonDocument::fromJson(body, &parseError);
    const QJsonArray choices = envelope.object()["choices"].toArray();
    if (parseError.error != QJsonParseError::NoError || choices.isEmpty() || !choices.first().isObject()) {
        *cause = bodyProblem(body, envelope, parseError, QStringLiteral("a chat completion"), QStringLiteral("choices"));
        if (cause->isEmpty()) {
            *cause = choices.isEmpty() ? QStringLiteral("the reply's \"choices\" list is empty")
                                       : QStringLiteral("the reply's first choice is not an object");
        }
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
