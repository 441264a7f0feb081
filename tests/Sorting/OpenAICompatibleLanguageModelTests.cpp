#include "Sorting/AppleFoundationTaskSortingService.h"
#include "Sorting/OpenAICompatibleLanguageModel.h"
#include "Sorting/TaskSortResponse.h"
#include "Support/EventLoopWait.h"
#include "Support/FakeHttpServer.h"
#include "Support/LogCapture.h"
#include "Support/QtTestPrinters.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

using Availability = LanguageModel::Availability;
using Kind = LanguageModel::GenerationError::Kind;
using Configuration = OpenAICompatibleLanguageModel::Configuration;
using Reply = FakeHttpServer::Reply;

struct CountingNetworkAccessManager final : QNetworkAccessManager {
    int requestsMade = 0;
    QNetworkReply* createRequest(Operation operation, const QNetworkRequest& request, QIODevice* data) override
    {
        ++requestsMade;
        return QNetworkAccessManager::createRequest(operation, request, data);
    }
};

Configuration configurationFor(const QUrl& url, const QString& model = QString())
{
    Configuration configuration;
    configuration.baseURL = url;
    configuration.modelName = model;
    configuration.requestTimeoutMs = 2000;
    configuration.availabilityTimeoutMs = 2000;
    return configuration;
}

QUrl unusedLoopbackUrl()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(probe.serverPort()));
}

Availability refreshed(OpenAICompatibleLanguageModel& model)
{
    QObject context;
    std::optional<Availability> result;
    model.refreshAvailability(&context, [&](Availability availability) { result = availability; });
    EXPECT_TRUE(waitUntil([&] { return result.has_value(); }));
    return result.value_or(Availability::available);
}

LanguageModel::Response respondOnce(LanguageModel& model, const QString& prompt = QStringLiteral("Rank these."),
                                    bool includeSchemaInPrompt = false)
{
    const auto session = model.makeSession(QStringLiteral("Be brief."));
    QObject context;
    std::optional<LanguageModel::Response> result;
    LanguageModel::GenerationOptions options;
    options.temperature = 0.0;
    session->respond(prompt, TaskSortResponse::generationSchema(), includeSchemaInPrompt, options, &context,
                     [&](const LanguageModel::Response& response) { result = response; });
    EXPECT_FALSE(result.has_value());
    EXPECT_TRUE(waitUntil([&] { return result.has_value(); }));
    return result.value_or(LanguageModel::OtherError{QStringLiteral("no answer")});
}

std::optional<Kind> kindOf(const LanguageModel::Response& response)
{
    if (const auto* error = std::get_if<LanguageModel::GenerationError>(&response))
        return error->kind;
    return std::nullopt;
}

Reply completion(const QJsonValue& content, const QString& finishReason = QStringLiteral("stop"),
                 const QJsonValue& refusal = QJsonValue::Null)
{
    const QJsonObject message{{"role", "assistant"}, {"content", content}, {"refusal", refusal}};
    const QJsonObject choice{{"index", 0}, {"finish_reason", finishReason}, {"message", message}};
    return FakeHttpServer::json(200, QJsonDocument(QJsonObject{{"choices", QJsonArray{choice}}}).toJson());
}

Reply withMode(Reply::Mode mode)
{
    Reply reply;
    reply.mode = mode;
    return reply;
}

const QByteArray kAnswer = R"({"items":[{"taskIndex":1,"priority":"high","why":"Rent is due"}]})";

} // namespace

TEST(OpenAICompatibleLanguageModel, ConfigurationComesFromTheEnvironment)
{
    qputenv("QUAVERLOOM_MODEL_URL", " http://localhost:11434 ");
    qputenv("QUAVERLOOM_MODEL", "qwen2.5:3b");
    qputenv("QUAVERLOOM_MODEL_TIMEOUT_MS", "1500");
    const Configuration configured = Configuration::fromEnvironment();
    EXPECT_EQ(configured.baseURL, QUrl("http://localhost:11434"));
    EXPECT_EQ(configured.modelName, "qwen2.5:3b");
    EXPECT_EQ(configured.requestTimeoutMs, 1500);
    qputenv("QUAVERLOOM_MODEL_TIMEOUT_MS", "-5");
    EXPECT_EQ(Configuration::fromEnvironment().requestTimeoutMs, Configuration().requestTimeoutMs);
    for (const char* name : {"QUAVERLOOM_MODEL_URL", "QUAVERLOOM_MODEL", "QUAVERLOOM_MODEL_TIMEOUT_MS"})
        qunsetenv(name);
}

TEST(OpenAICompatibleLanguageModel, NothingIsEverSentOffThisComputer)
{
    for (const char* host : {"http://localhost:1", "http://LOCALHOST", "http://127.4.5.6:9", "http://[::1]:8080"})
        EXPECT_TRUE(OpenAICompatibleLanguageModel::isLoopbackHost(QUrl(host))) << host;
    for (const char* host : {"http://10.0.0.1", "http://127.0.0.1.example.com", "file:///x", "http://[::ffff:192.0.2.1]"})
        EXPECT_FALSE(OpenAICompatibleLanguageModel::isLoopbackHost(QUrl(host))) << host;

    CountingNetworkAccessManager network;
    const QList<std::pair<const char*, Availability>> unusable{{"http://192.0.2.10:8080", Availability::deviceNotEligible},
                                                               {"https://models.example.com", Availability::deviceNotEligible},
                                                               {"ftp://127.0.0.1/", Availability::other}};
    for (const auto& [url, expected] : unusable) {
        OpenAICompatibleLanguageModel model(configurationFor(QUrl(url), "m"), &network);
        EXPECT_EQ(model.availability(), expected) << url;
        EXPECT_EQ(refreshed(model), expected) << url;
        EXPECT_EQ(kindOf(respondOnce(model)), Kind::other) << url;
    }
    EXPECT_EQ(network.requestsMade, 0);
}

TEST(OpenAICompatibleLanguageModel, AvailabilityFollowsTheServer)
{
    FakeHttpServer server;
    QByteArray models = R"({"object":"list","data":[{"id":"alpha"},{"id":"beta"}]})";
    int status = 200;
    server.handler = [&](const FakeHttpServer::Request&) { return FakeHttpServer::json(status, models); };

    OpenAICompatibleLanguageModel model(configurationFor(server.url()));
    QSignalSpy changes(&model, &LanguageModel::availabilityChanged);
    // The cached value answers at once; the probe it starts fills the cache.
    EXPECT_EQ(model.availability(), Availability::modelNotReady);
    ASSERT_TRUE(waitUntil([&] { return changes.size() == 1; }));
    EXPECT_EQ(model.availability(), Availability::available);
    EXPECT_EQ(model.modelName(), "alpha");
    runEventLoopFor(20);
    ASSERT_EQ(server.requests.size(), 1) << "a fresh cache is not probed again";
    EXPECT_EQ(server.requests[0].method + ' ' + server.requests[0].path, "GET /v1/models");
    // A base URL written with the API prefix reaches the same endpoint.
    OpenAICompatibleLanguageModel named(configurationFor(server.url().toString() + "/v1/", "beta"));
    EXPECT_EQ(refreshed(named), Availability::available);
    EXPECT_EQ(server.requests.last().path, "/v1/models");
    const QList<std::tuple<int, QByteArray, Availability>> answers{
        {200, R"({"data":[]})", Availability::noChatModel},
        {503, R"({"data":[{"id":"alpha"}]})", Availability::modelNotReady},
        {500, R"({"data":[{"id":"alpha"}]})", Availability::other},
        {200, "<html>", Availability::other}};
    for (const auto& [answerStatus, body, expected] : answers) {
        std::tie(status, models) = std::tie(answerStatus, body);
        EXPECT_EQ(refreshed(model), expected) << body.constData();
    }
    EXPECT_EQ(changes.size(), 4) << "published only when it changes";

    // Something accepts the connection and never answers; nothing listens at all.
    server.handler = [](const FakeHttpServer::Request&) { return withMode(Reply::Mode::silent); };
    Configuration slow = configurationFor(server.url());
    slow.availabilityTimeoutMs = 100;
    OpenAICompatibleLanguageModel stalled(slow);
    EXPECT_EQ(refreshed(stalled), Availability::other);
    OpenAICompatibleLanguageModel absent(configurationFor(unusedLoopbackUrl()));
    EXPECT_EQ(refreshed(absent), Availability::notEnabled);
}

TEST(OpenAICompatibleLanguageModel, ChatRequestCarriesTheSchemaVerbatim)
{
    FakeHttpServer server;
    server.handler = [](const FakeHttpServer::Request& request) {
        if (request.path == "/v1/models")
            return FakeHttpServer::json(200, R"({"data":[{"id":"local-7b"}]})");
        return completion(QString::fromUtf8(kAnswer));
    };
    OpenAICompatibleLanguageModel model(configurationFor(server.url()));
    const QByteArray& schema = TaskSortResponse::generationSchema().json;

    // The model id is learnt from the server before the first prompt.
    const LanguageModel::Response response = respondOnce(model, QStringLiteral("Rank these."), true);
    ASSERT_TRUE(std::holds_alternative<QJsonValue>(response));
    EXPECT_EQ(std::get<QJsonValue>(response), QJsonDocument::fromJson(kAnswer).object());
    ASSERT_EQ(server.requests.size(), 2);
    const FakeHttpServer::Request& request = server.requests[1];
    EXPECT_EQ(request.method + ' ' + request.path, "POST /v1/chat/completions");
    EXPECT_TRUE(request.headers.value("content-type").startsWith("application/json"));

    const QString userContent = "Rank these.\n\nRespond with JSON that matches this schema:\n" + QString::fromUtf8(schema);
    const QJsonObject format{{"type", "json_schema"},
                             {"json_schema", QJsonObject{{"name", "TaskSortResponse"}, {"strict", true},
                                                         {"schema", QJsonDocument::fromJson(schema).object()}}}};
    EXPECT_EQ(QJsonDocument::fromJson(request.body).object(),
              (QJsonObject{{"model", "local-7b"},
                           {"messages", QJsonArray{QJsonObject{{"role", "system"}, {"content", "Be brief."}},
                                                   QJsonObject{{"role", "user"}, {"content", userContent}}}},
                           {"temperature", 0.0}, {"stream", false},
                           {"max_tokens", Configuration().maximumResponseTokens}, {"response_format", format}}));
    // Verbatim on the wire: the item properties keep their declared order.
    EXPECT_TRUE(request.body.contains("\"schema\":" + schema));

    respondOnce(model, QStringLiteral("Only this."));
    EXPECT_EQ(QJsonDocument::fromJson(server.requests.last().body)["messages"][1]["content"].toString(), "Only this.");

    // A session answers one prompt at a time; a caller that is gone hears nothing.
    const auto session = model.makeSession(QStringLiteral("Be brief."));
    QObject context;
    QList<LanguageModel::Response> responses;
    for (int i = 0; i < 2; ++i)
        session->respond("P", TaskSortResponse::generationSchema(), false, {}, &context,
                         [&](const LanguageModel::Response& response) { responses.append(response); });
    ASSERT_TRUE(waitUntil([&] { return responses.size() == 2; }));
    EXPECT_EQ(kindOf(responses[0]), Kind::concurrentRequests);
    EXPECT_TRUE(std::holds_alternative<QJsonValue>(responses[1]));
    auto gone = std::make_unique<QObject>();
    session->respond("P", TaskSortResponse::generationSchema(), false, {}, gone.get(),
                     [&](const LanguageModel::Response& response) { responses.append(response); });
    gone.reset();
    ASSERT_TRUE(waitUntil([&] { return server.requests.size() == 5; }));
    runEventLoopFor(50);
    EXPECT_EQ(responses.size(), 2);
}

TEST(OpenAICompatibleLanguageModel, ServerOutcomesMapToGenerationErrors)
{
    FakeHttpServer server;
    Reply next;
    server.handler = [&](const FakeHttpServer::Request&) { return next; };
    Configuration configuration = configurationFor(server.url(), "m");
    configuration.maximumReplyBytes = 4096;
    OpenAICompatibleLanguageModel model(configuration);
    configuration.requestTimeoutMs = 150;
    OpenAICompatibleLanguageModel impatient(configuration);
    const auto failure = [](int status, const QByteArray& body) { return FakeHttpServer::json(status, body); };
    Reply redirect = failure(302, "");
    redirect.extraHeaders = {"Location: " + server.url().toEncoded() + "/moved"};

    const QList<std::pair<Reply, std::optional<Kind>>> outcomes{
        {failure(429, R"({"error":{"message":"busy"}})"), Kind::rateLimited},
        {failure(400, R"({"error":{"code":400,"message":"the request exceeds the available context size, try increasing it","type":"exceed_context_size_error"}})"),
         Kind::exceededContextWindowSize},
        {failure(400, R"({"error":{"code":"context_length_exceeded"}})"), Kind::exceededContextWindowSize},
        {completion(R"({"items":[{"taskIndex":1,)", "length"), Kind::exceededContextWindowSize},
        {failure(404, R"({"error":{"message":"model 'm' not found"}})"), Kind::assetsUnavailable},
        {failure(503, R"({"error":{"message":"Loading model"}})"), Kind::assetsUnavailable},
        {failure(400, R"({"error":{"message":"JSON schema conversion failed: unsupported keyword"}})"), Kind::unsupportedGuide},
        {failure(500, "boom"), Kind::other},
        {failure(200, "not a completion"), Kind::other},
        {completion("Sure! Here is the ranking: 1 high"), Kind::decodingFailure},
        {completion(QJsonValue::Null), Kind::decodingFailure},
        {completion("", "content_filter"), Kind::guardrailViolation},
        {completion(QJsonValue::Null, "stop", "I can't help with that."), Kind::refusal},
        {redirect, Kind::other},
        // A server that ignored response_format and fenced its JSON still decodes.
        {completion("```json\n" + QString::fromUtf8(kAnswer) + "\n```"), std::nullopt},
    };
    for (const auto& [reply, expected] : outcomes) {
        next = reply;
        const qsizetype before = server.requests.size();
        EXPECT_EQ(kindOf(respondOnce(model)), expected) << reply.body.constData();
        EXPECT_EQ(server.requests.size(), before + 1) << "redirects are never followed";
    }

    // Silent, hung up, oversized (declared, streamed without a length, or plain): each ends with `other`.
    const auto description = [&](Reply reply, LanguageModel& target) {
        next = std::move(reply);
        const LanguageModel::Response response = respondOnce(target);
        EXPECT_EQ(kindOf(response), Kind::other);
        const auto* error = std::get_if<LanguageModel::GenerationError>(&response);
        return error ? error->debugDescription : QString();
    };
    // Running out of time is no model failure: the sort ends and the user reads why.
    next = withMode(Reply::Mode::silent);
    EXPECT_EQ(respondOnce(impatient),
              LanguageModel::Response(LanguageModel::OtherError{"The model did not answer within the time limit (150 ms)."}));
    {
        // A dropped connection leaves one bounded line in the log.
        LogCapture log;
        EXPECT_FALSE(description(withMode(Reply::Mode::hangUp), model).isEmpty());
        ASSERT_EQ(log.lines().size(), 1);
        EXPECT_TRUE(log.lines()[0].startsWith("QuaverLoom.OpenAICompatibleLanguageModel: Asking the model for an answer at 127.0.0.1:"
                                              + QString::number(server.port()) + " failed: "))
            << log.lines()[0].toStdString();
        EXPECT_FALSE(log.lines()[0].contains('\n'));
    }
    Reply declared = completion(QString::fromUtf8(kAnswer));
    declared.declaredContentLength = 1 << 20;
    EXPECT_EQ(description(declared, model), "The model server's reply was too large.");
    Reply endless = completion(QString(8000, QLatin1Char('x')));
    endless.sendContentLength = false;
    EXPECT_EQ(description(endless, model), "The model server's reply was too large.");

    // The server's reason is logged on one bounded line, without control characters.
    const QList<std::pair<QByteArray, QString>> reasons{
        {R"({"error":{"message":"bad\ngrammar\u001b[31m\u202e x"}})", "bad grammar[31m x"},
        {R"({"error":"plain"})", "plain"},
        {R"({"error":{"message":")" + QByteArray(2000, 'y') + R"("}})", QString(299, 'y') + QChar(0x2026)},
        {R"({"error":{"code":1}})", QString()},
    };
    for (const auto& [body, expected] : reasons) {
        LogCapture log;
        next = failure(400, body);
        respondOnce(model);
        if (expected.isEmpty()) {
            EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join("|").toStdString();
            continue;
        }
        ASSERT_EQ(log.lines().size(), 1) << body.constData();
        EXPECT_EQ(log.lines()[0],
                  "QuaverLoom.OpenAICompatibleLanguageModel: The model server refused the request (HTTP 400): " + expected);
    }
}

namespace {
QString modelOf(const FakeHttpServer::Request& request)
{
    return QJsonDocument::fromJson(request.body).object().value("model").toString();
}

QStringList chatModelsAsked(const FakeHttpServer& server)
{
    QStringList models;
    for (const FakeHttpServer::Request& request : server.requests)
        if (request.path == "/v1/chat/completions")
            models << modelOf(request);
    return models;
}

// Answers chat for the models in `chatty` and refuses the others as Ollama does.
FakeHttpServer::Handler modelServer(const QByteArray& listing, const QSet<QString>& chatty)
{
    return [listing, &chatty](const FakeHttpServer::Request& request) {
        if (request.path == "/v1/models")
            return FakeHttpServer::json(200, listing);
        const QString model = modelOf(request);
        if (chatty.contains(model))
            return completion(QString::fromUtf8(kAnswer));
        return FakeHttpServer::json(400, R"({"error":{"message":"\")" + model.toUtf8() + R"(\" does not support chat"}})");
    };
}
} // namespace

TEST(OpenAICompatibleLanguageModel, DefaultModelIsTheFirstListedThatCanChat)
{
    // Embedding and reranking models first, as Ollama (newest first) and LM Studio list them: by
    // name, by LM Studio's type, by llama.cpp's capabilities, and one the server marks nowhere.
    const QByteArray listing = R"({"object":"list","data":[
        {"id":"nomic-embed-text:latest"},{"id":"BAAI/bge-m3"},{"id":"multilingual-e5-large"},{"id":"all-minilm"},
        {"id":"jina-reranker-v2"},{"id":"vectors-mini","type":"embeddings"},{"id":"sentence-vectors.gguf"},
        {"id":"text-encoder"},{"id":"qwen2.5:7b","type":"llm"},{"id":"gemma-3-4b-it"}],
        "models":[{"name":"sentence-vectors.gguf","model":"sentence-vectors.gguf","capabilities":["embedding"]}]})";
    QSet<QString> chatty{"qwen2.5:7b", "gemma-3-4b-it"};
    FakeHttpServer server;
    server.handler = modelServer(listing, chatty);
    OpenAICompatibleLanguageModel model(configurationFor(server.url()));
    EXPECT_EQ(model.address(), "127.0.0.1:" + QString::number(server.port()));
    EXPECT_EQ(refreshed(model), Availability::available);
    EXPECT_EQ(model.modelName(), "text-encoder");

    // The server says the first candidate cannot chat: the next one is asked, once.
    const QString prefix = "QuaverLoom.OpenAICompatibleLanguageModel: ";
    const QString at = " at " + model.address();
    {
        LogCapture log;
        EXPECT_TRUE(std::holds_alternative<QJsonValue>(respondOnce(model)));
        EXPECT_EQ(chatModelsAsked(server), (QStringList{"text-encoder", "qwen2.5:7b"}));
        EXPECT_EQ(log.infoLines(),
                  (QStringList{prefix + "AI Sort asks the model \u201Ctext-encoder\u201D" + at
                                   + " (the first chat model the server lists)",
                               prefix + "AI Sort asks the model \u201Cqwen2.5:7b\u201D" + at
                                   + " (the first chat model the server lists)"}));
        EXPECT_EQ(log.lines().last(), prefix + "The model server" + at
                                          + " says \u201Ctext-encoder\u201D does not support chat; the next model it "
                                            "lists is \u201Cqwen2.5:7b\u201D");
        // The choice holds, and is logged only when it changes.
        EXPECT_TRUE(std::holds_alternative<QJsonValue>(respondOnce(model)));
        EXPECT_EQ(chatModelsAsked(server).last(), "qwen2.5:7b");
        EXPECT_EQ(log.infoLines().size(), 2);
    }
    EXPECT_EQ(refreshed(model), Availability::available);
    EXPECT_EQ(model.modelName(), "qwen2.5:7b");

    // No candidate left that chats: one more is tried, then the status says so, and so does the probe.
    chatty.clear();
    server.requests.clear();
    EXPECT_EQ(respondOnce(model), LanguageModel::Response(LanguageModel::OtherError{
                                      "The model server lists no chat model. Load one to use AI Sort."}));
    EXPECT_EQ(chatModelsAsked(server), (QStringList{"qwen2.5:7b", "gemma-3-4b-it"}));
    EXPECT_EQ(model.availability(), Availability::noChatModel);
    EXPECT_EQ(refreshed(model), Availability::noChatModel);

    // A server that lists only embedding models is never asked to chat.
    FakeHttpServer embeddings;
    embeddings.handler = modelServer(R"({"data":[{"id":"nomic-embed-text"},{"id":"bge-large-en-v1.5"}]})", chatty);
    OpenAICompatibleLanguageModel embeddingsOnly(configurationFor(embeddings.url()));
    EXPECT_EQ(refreshed(embeddingsOnly), Availability::noChatModel);
    EXPECT_TRUE(std::holds_alternative<LanguageModel::OtherError>(respondOnce(embeddingsOnly)));
    EXPECT_TRUE(chatModelsAsked(embeddings).isEmpty());
}

TEST(OpenAICompatibleLanguageModel, ConfiguredModelIsAskedAsItIsOrReportedNotServed)
{
    const QSet<QString> chatty{"alpha"};
    FakeHttpServer server;
    server.handler = modelServer(R"({"data":[{"id":"alpha"},{"id":"nomic-embed-text"}]})", chatty);
    const QString prefix = "QuaverLoom.OpenAICompatibleLanguageModel: ";

    // The user's choice is asked even when its name looks like an embedding model, and never replaced.
    OpenAICompatibleLanguageModel chosen(configurationFor(server.url(), "nomic-embed-text"));
    EXPECT_EQ(refreshed(chosen), Availability::available);
    EXPECT_EQ(respondOnce(chosen), LanguageModel::Response(LanguageModel::OtherError{
                                       "The model set in QUAVERLOOM_MODEL does not support chat."}));
    EXPECT_EQ(chatModelsAsked(server), QStringList{"nomic-embed-text"});

    // A name the server does not list: logged once with what it lists, not "try again".
    LogCapture log;
    OpenAICompatibleLanguageModel missing(configurationFor(server.url(), "gamma"));
    EXPECT_EQ(refreshed(missing), Availability::modelNotServed);
    EXPECT_EQ(refreshed(missing), Availability::modelNotServed);
    EXPECT_EQ(log.lines(), QStringList{prefix + "QUAVERLOOM_MODEL names \u201Cgamma\u201D, which the model server at "
                                       + missing.address()
                                       + " does not list; it lists: \u201Calpha\u201D, \u201Cnomic-embed-text\u201D"});

    // A server that drops the listing request: one line, not one per probe.
    server.handler = [](const FakeHttpServer::Request&) { return withMode(Reply::Mode::hangUp); };
    OpenAICompatibleLanguageModel dropped(configurationFor(server.url()));
    EXPECT_EQ(refreshed(dropped), Availability::other);
    EXPECT_EQ(refreshed(dropped), Availability::other);
    ASSERT_EQ(log.lines().size(), 2);
    EXPECT_TRUE(log.lines()[1].startsWith(prefix + "Asking the model server for its models at " + dropped.address()
                                          + " failed: "))
        << log.lines()[1].toStdString();
}


TEST(OpenAICompatibleLanguageModel, UnusableRepliesLeaveTheirCauseInTheLog)
{
    FakeHttpServer server;
    Reply next;
    server.handler = [&](const FakeHttpServer::Request&) { return next; };
    OpenAICompatibleLanguageModel model(configurationFor(server.url(), "m"));
    const QString prefix = "QuaverLoom.OpenAICompatibleLanguageModel: Asking the model for an answer at "
        + model.address() + " failed: ";
    const auto replyWith = [](Reply reply, Reply::Mode mode) {
        reply.mode = mode;
        return reply;
    };
    const auto redirectTo = [](const QByteArray& location) {
        Reply reply = FakeHttpServer::json(302, "");
        reply.extraHeaders = {"Location: " + location};
        return reply;
    };
    const Reply whole = completion(QString::fromUtf8(kAnswer));
    const QString half = QString::number(whole.body.size() / 2);
    const QString moved = server.url().toString() + "/moved";

    // The kinds are those the status line has always shown for these replies; only the log says more.
    const QList<std::tuple<Reply, Kind, QString>> replies{
        {replyWith(whole, Reply::Mode::resetMidBody), Kind::other, "the reply broke off after " + half + " bytes ("},
        {replyWith(whole, Reply::Mode::closeMidBody), Kind::other, "the reply broke off after " + half + " bytes ("},
        {FakeHttpServer::json(200, "<html>Gateway</html>"), Kind::other,
         "the reply is not JSON (illegal value at byte 1), it begins: <html>Gateway</html>"},
        {FakeHttpServer::json(200, ""), Kind::other, "the reply is empty"},
        {FakeHttpServer::json(200, R"({"object":"list","data":[]})"), Kind::other,
         R"(the reply is not a chat completion: it has no "choices" list (its keys: data, object))"},
        {FakeHttpServer::json(200, R"({"choices":[]})"), Kind::other, R"(the reply's "choices" list is empty)"},
        {FakeHttpServer::json(200, R"({"choices":["stop"]})"), Kind::other, "the reply's first choice is not an object"},
        {FakeHttpServer::json(200, "[1]"), Kind::other, "the reply is a JSON array, not a chat completion"},
        {redirectTo(moved.toUtf8()), Kind::other,
         "the server answered HTTP 302, a redirect to " + moved + ", which is not followed"},
        {completion("Sure! 1 is high"), Kind::decodingFailure, "the answer is not valid JSON (illegal value at byte 1)"},
        {completion(QJsonValue::Null), Kind::decodingFailure, "the reply's message has no text content"},
    };
    for (const auto& [reply, kind, cause] : replies) {
        LogCapture log;
        next = reply;
        EXPECT_EQ(kindOf(respondOnce(model)), kind) << cause.toStdString();
        ASSERT_EQ(log.lines().size(), 1) << cause.toStdString();
        EXPECT_TRUE(log.lines()[0].startsWith(prefix + cause)) << log.lines()[0].toStdString();
    }

    // A cause made of what the server sent stays on one bounded line.
    LogCapture log;
    next = redirectTo("http://127.0.0.1/" + QByteArray(3000, 'a') + "%0A\x01");
    respondOnce(model);
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_LT(log.lines()[0].size(), prefix.size() + 301);
    EXPECT_TRUE(log.lines()[0].endsWith(QChar(0x2026) + QStringLiteral(", which is not followed")))
        << log.lines()[0].toStdString();
    next = FakeHttpServer::json(200, "\x01\n" + QByteArray(500, '<'));
    respondOnce(model);
    ASSERT_EQ(log.lines().size(), 2);
    EXPECT_EQ(log.lines()[1], prefix + "the reply is not JSON (illegal value at byte 1), it begins: "
                                  + QString(39, '<') + QChar(0x2026));

    // A usable reply logs nothing.
    next = whole;
    EXPECT_TRUE(std::holds_alternative<QJsonValue>(respondOnce(model)));
    EXPECT_EQ(log.lines().size(), 2);
}

TEST(OpenAICompatibleLanguageModel, ModelListFailuresLeaveTheirCauseInTheLog)
{
    FakeHttpServer server;
    Reply next;
    server.handler = [&](const FakeHttpServer::Request&) { return next; };
    Configuration configuration = configurationFor(server.url());
    configuration.maximumReplyBytes = 4096;
    const auto redirectTo = [](const QByteArray& location) {
        Reply reply = FakeHttpServer::json(301, "");
        reply.extraHeaders = {"Location: " + location};
        return reply;
    };
    const QString moved = server.url().toString() + "/models";
    const QByteArray large = R"({"data":[{"id":")" + QByteArray(5000, 'm') + R"("}]})";

    // Each ends as "unavailable"; the log says why, on one line.
    const QList<std::pair<Reply, QString>> replies{
        {FakeHttpServer::json(404, R"({"error":{"message":"File Not Found","type":"not_found_error"}})"),
         "the server answered HTTP 404: File Not Found"},
        {FakeHttpServer::json(404, "<html><h1>404\nNot Found</h1></html>"),
         "the server answered HTTP 404, its reply begins: <html><h1>404 Not Found</h1></html>"},
        {redirectTo(moved.toUtf8()), "the server answered HTTP 301, a redirect to " + moved + ", which is not followed"},
        {redirectTo("http://192.0.2.7/v1/models"),
         "the server answered HTTP 301, a redirect to http://192.0.2.7/v1/models, which is not followed"},
        {FakeHttpServer::json(200, large), "the reply was larger than 4096 bytes"},
        {FakeHttpServer::json(200, "<html>Gateway</html>"),
         "the reply is not JSON (illegal value at byte 1), it begins: <html>Gateway</html>"},
        {FakeHttpServer::json(200, ""), "the reply is empty"},
        {FakeHttpServer::json(200, R"({"object":"list","models":[]})"),
         R"(the reply is not a model list: it has no "data" list (its keys: models, object))"},
        {FakeHttpServer::json(200, R"([{"id":"alpha"}])"), "the reply is a JSON array, not a model list"},
    };
    for (const auto& [reply, cause] : replies) {
        OpenAICompatibleLanguageModel model(configuration);
        const QString prefix = "QuaverLoom.OpenAICompatibleLanguageModel: Asking the model server for its models at "
            + model.address() + " failed: ";
        LogCapture log;
        next = reply;
        EXPECT_EQ(refreshed(model), Availability::other) << cause.toStdString();
        EXPECT_EQ(log.lines(), QStringList{prefix + cause});
    }

    // A probe every few seconds repeats nothing; a problem that comes back after a good listing is logged again.
    OpenAICompatibleLanguageModel model(configuration);
    LogCapture log;
    next = replies[0].first;
    refreshed(model);
    refreshed(model);
    EXPECT_EQ(log.lines().size(), 1);
    next = FakeHttpServer::json(200, R"({"data":[{"id":"alpha"}]})");
    EXPECT_EQ(refreshed(model), Availability::available);
    next = replies[0].first;
    refreshed(model);
    EXPECT_EQ(log.lines().size(), 2);

    // What the server sends stays on one bounded line.
    OpenAICompatibleLanguageModel hostile(configuration);
    next = FakeHttpServer::json(404, R"({"error":{"message":")" + QByteArray(3000, 'z') + R"(\u001b[2J"}})");
    refreshed(hostile);
    ASSERT_EQ(log.lines().size(), 3);
    EXPECT_LT(log.lines()[2].size(), 500);
    EXPECT_TRUE(log.lines()[2].endsWith(QChar(0x2026))) << log.lines()[2].toStdString();
}

TEST(OpenAICompatibleLanguageModel, AStatusKeepsItsMeaningWhenTheBodyBreaksOff)
{
    FakeHttpServer server;
    Reply next;
    int chatRequests = 0;
    server.handler = [&](const FakeHttpServer::Request& request) {
        chatRequests += request.path == "/v1/chat/completions";
        return next;
    };
    const auto cut = [](int status, Reply::Mode mode) {
        Reply reply = FakeHttpServer::json(
            status, R"({"error":{"code":)" + QByteArray::number(status)
                        + R"(,"message":"The server is busy with other requests, try again later","type":"unavailable_error"}})");
        reply.mode = mode;
        return reply;
    };
    OpenAICompatibleLanguageModel model(configurationFor(server.url(), "m"));
    const QString prefix = "QuaverLoom.OpenAICompatibleLanguageModel: Asking the model for an answer at "
        + model.address() + " failed: the server answered HTTP ";
    for (const Reply::Mode mode : {Reply::Mode::closeMidBody, Reply::Mode::resetMidBody}) {
        for (const auto& [status, kind] : {std::pair{429, Kind::rateLimited}, std::pair{503, Kind::assetsUnavailable}}) {
            LogCapture log;
            next = cut(status, mode);
            EXPECT_EQ(kindOf(respondOnce(model)), kind) << status;
            ASSERT_EQ(log.lines().size(), 1) << status;
            EXPECT_TRUE(log.lines()[0].startsWith(prefix + QString::number(status) + ", and the reply broke off after "))
                << log.lines()[0].toStdString();
        }
    }
    // The probe reads a cut 503 as a model still loading.
    next = cut(503, Reply::Mode::closeMidBody);
    EXPECT_EQ(refreshed(model), Availability::modelNotReady);

    // AI Sort then says the model is busy and tries the compact prompt, as for a whole reply.
    AppleFoundationTaskSortingService service(&model);
    TaskList tasks(1);
    tasks[0].title = QStringLiteral("Pay rent");
    const auto sort = [&] {
        QObject receiver;
        std::optional<TaskSortResult> result;
        service.sortTasks(tasks, {"section.work", "Work", "Get work done.", false, std::nullopt, std::nullopt, {}, {}, {}},
                          &receiver, [&](const TaskSortResult& answer) { result = answer; });
        EXPECT_TRUE(waitUntil([&] { return result.has_value(); }));
        const auto* error = result ? std::get_if<TaskSortingError>(&*result) : nullptr;
        return error ? error->description() : QStringLiteral("<decisions>");
    };
    server.handler = [&](const FakeHttpServer::Request& request) {
        if (request.path == "/v1/models")
            return FakeHttpServer::json(200, R"({"data":[{"id":"m"}]})");
        ++chatRequests;
        return next;
    };
    chatRequests = 0;
    next = cut(429, Reply::Mode::closeMidBody);
    EXPECT_EQ(sort(), "AI Sort is temporarily busy. Try again in a moment.");
    EXPECT_EQ(chatRequests, 2);
}
