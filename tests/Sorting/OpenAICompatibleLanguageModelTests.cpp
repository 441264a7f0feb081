#include "Sorting/AppleFoundationTaskSortingService.h"
#include "Sorting/OpenAICompatibleLanguageModel.h"
#include "Sorting/TaskSortResponse.h"
#include "Support/EventLoopWait.h"
#include "Support/FakeHttpServer.h"
#include "Support/QtTestPrinters.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QUuid>
#include <gtest/gtest.h>

namespace {

using Availability = LanguageModel::Availability;
using Kind = LanguageModel::GenerationError::Kind;
using Configuration = OpenAICompatibleLanguageModel::Configuration;
using Reply = FakeHttpServer::Reply;

class CountingNetworkAccessManager final : public QNetworkAccessManager {
public:
    int requestsMade = 0;

protected:
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

QByteArray completion(const QJsonValue& content, const QString& finishReason = QStringLiteral("stop"),
                      const QJsonValue& refusal = QJsonValue::Null)
{
    const QJsonObject message{{"role", "assistant"}, {"content", content}, {"refusal", refusal}};
    const QJsonObject choice{{"index", 0}, {"finish_reason", finishReason}, {"message", message}};
    return QJsonDocument(QJsonObject{{"object", "chat.completion"}, {"choices", QJsonArray{choice}}}).toJson();
}

const QByteArray kAnswer = R"({"items":[{"taskIndex":1,"priority":"high","why":"Rent is due"}]})";

} // namespace

TEST(OpenAICompatibleLanguageModel, ConfigurationComesFromTheEnvironment)
{
    const Configuration defaults;
    EXPECT_EQ(defaults.baseURL, QUrl("http://127.0.0.1:8080"));
    EXPECT_EQ(defaults.requestTimeoutMs, 120000);
    EXPECT_EQ(defaults.maximumReplyBytes, 4 * 1024 * 1024);
    EXPECT_EQ(defaults.maximumResponseTokens, 4096);

    qputenv("QUAVERLOOM_MODEL_URL", " http://localhost:11434 ");
    qputenv("QUAVERLOOM_MODEL", "qwen2.5:3b");
    qputenv("QUAVERLOOM_MODEL_TIMEOUT_MS", "1500");
    Configuration configured = Configuration::fromEnvironment();
    EXPECT_EQ(configured.baseURL, QUrl("http://localhost:11434"));
    EXPECT_EQ(configured.modelName, "qwen2.5:3b");
    EXPECT_EQ(configured.requestTimeoutMs, 1500);

    qputenv("QUAVERLOOM_MODEL_TIMEOUT_MS", "-5");
    EXPECT_EQ(Configuration::fromEnvironment().requestTimeoutMs, 120000);
    for (const char* name : {"QUAVERLOOM_MODEL_URL", "QUAVERLOOM_MODEL", "QUAVERLOOM_MODEL_TIMEOUT_MS"})
        qunsetenv(name);
    EXPECT_EQ(Configuration::fromEnvironment().baseURL, defaults.baseURL);
    EXPECT_TRUE(Configuration::fromEnvironment().modelName.isEmpty());

    for (const char* host : {"http://localhost:1", "http://LOCALHOST", "http://127.0.0.1", "http://127.4.5.6:9",
                             "http://[::1]:8080"})
        EXPECT_TRUE(OpenAICompatibleLanguageModel::isLoopbackHost(QUrl(host))) << host;
    for (const char* host : {"http://10.0.0.1", "http://example.com", "http://127.0.0.1.example.com", "file:///x",
                             "http://[::ffff:192.0.2.1]"})
        EXPECT_FALSE(OpenAICompatibleLanguageModel::isLoopbackHost(QUrl(host))) << host;
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
    ASSERT_EQ(server.requests.size(), 1);
    EXPECT_EQ(server.requests[0].method, "GET");
    EXPECT_EQ(server.requests[0].path, "/v1/models");
    runEventLoopFor(20);
    EXPECT_EQ(server.requests.size(), 1); // a fresh cache is not probed again

    OpenAICompatibleLanguageModel named(configurationFor(server.url(), "beta"));
    EXPECT_EQ(refreshed(named), Availability::available);
    OpenAICompatibleLanguageModel missing(configurationFor(server.url(), "gamma"));
    EXPECT_EQ(refreshed(missing), Availability::modelNotReady);

    models = R"({"object":"list","data":[]})";
    EXPECT_EQ(refreshed(model), Availability::modelNotReady);
    models = R"({"data":[{"id":"alpha"}]})";
    status = 503;
    EXPECT_EQ(refreshed(model), Availability::modelNotReady);
    status = 500;
    EXPECT_EQ(refreshed(model), Availability::other);
    status = 200;
    models = "<html>";
    EXPECT_EQ(refreshed(model), Availability::other);
    EXPECT_EQ(changes.size(), 3); // available, not ready, other

    // Something accepts the connection and never answers.
    server.handler = [](const FakeHttpServer::Request&) {
        Reply reply;
        reply.mode = Reply::Mode::silent;
        return reply;
    };
    Configuration slow = configurationFor(server.url());
    slow.availabilityTimeoutMs = 100;
    OpenAICompatibleLanguageModel stalled(slow);
    EXPECT_EQ(refreshed(stalled), Availability::other);

    // Nothing listening at all.
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 freePort = probe.serverPort();
    probe.close();
    OpenAICompatibleLanguageModel absent(configurationFor(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(freePort))));
    EXPECT_EQ(refreshed(absent), Availability::notEnabled);
}

TEST(OpenAICompatibleLanguageModel, NothingIsEverSentOffThisComputer)
{
    CountingNetworkAccessManager network;
    OpenAICompatibleLanguageModel remote(configurationFor(QUrl("http://192.0.2.10:8080"), "m"), &network);
    EXPECT_EQ(remote.availability(), Availability::deviceNotEligible);
    EXPECT_EQ(refreshed(remote), Availability::deviceNotEligible);
    EXPECT_EQ(kindOf(respondOnce(remote)), Kind::other);

    OpenAICompatibleLanguageModel byName(configurationFor(QUrl("https://models.example.com"), "m"), &network);
    EXPECT_EQ(refreshed(byName), Availability::deviceNotEligible);
    EXPECT_EQ(kindOf(respondOnce(byName)), Kind::other);

    OpenAICompatibleLanguageModel notHttp(configurationFor(QUrl("ftp://127.0.0.1/"), "m"), &network);
    EXPECT_EQ(refreshed(notHttp), Availability::other);
    EXPECT_EQ(kindOf(respondOnce(notHttp)), Kind::other);

    EXPECT_EQ(network.requestsMade, 0);

    // The service stops at the availability check with the Linux wording.
    AppleFoundationTaskSortingService service(&remote);
    TaskItem task;
    task.title = QStringLiteral("Pay rent");
    QObject receiver;
    std::optional<TaskSortResult> result;
    service.sortTasks({task}, TaskSortContext{}, &receiver, [&](const TaskSortResult& answer) { result = answer; });
    ASSERT_TRUE(waitUntil([&] { return result.has_value(); }));
    EXPECT_EQ(std::get<TaskSortingError>(*result).description(),
              "AI Sort requires a language model running on this computer.");
    EXPECT_EQ(network.requestsMade, 0);
}

TEST(OpenAICompatibleLanguageModel, ChatRequestCarriesTheSchemaInOrder)
{
    FakeHttpServer server;
    server.handler = [](const FakeHttpServer::Request& request) {
        if (request.path == "/v1/models")
            return FakeHttpServer::json(200, R"({"data":[{"id":"local-7b"}]})");
        return FakeHttpServer::json(200, completion(QString::fromUtf8(kAnswer)));
    };
    OpenAICompatibleLanguageModel model(configurationFor(server.url()));

    // The model id is learnt from the server before the first prompt.
    const LanguageModel::Response response = respondOnce(model, QStringLiteral("Rank these."), true);
    ASSERT_TRUE(std::holds_alternative<QJsonValue>(response));
    EXPECT_EQ(std::get<QJsonValue>(response), QJsonDocument::fromJson(kAnswer).object());
    ASSERT_EQ(server.requests.size(), 2);
    const FakeHttpServer::Request& request = server.requests[1];
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.path, "/v1/chat/completions");
    EXPECT_TRUE(request.headers.value("content-type").startsWith("application/json"));

    const QJsonObject body = QJsonDocument::fromJson(request.body).object();
    EXPECT_EQ(body["model"].toString(), "local-7b");
    const QJsonArray messages = body["messages"].toArray();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages[0].toObject(), (QJsonObject{{"role", "system"}, {"content", "Be brief."}}));
    EXPECT_EQ(messages[1].toObject()["role"].toString(), "user");
    EXPECT_TRUE(messages[1].toObject()["content"].toString().startsWith("Rank these.\n\n"));
    EXPECT_TRUE(messages[1].toObject()["content"].toString().contains("\"maxItems\":64"));
    EXPECT_EQ(body["temperature"].toDouble(-1), 0.0);
    EXPECT_EQ(body["stream"], QJsonValue(false));
    EXPECT_EQ(body["max_tokens"].toInt(), 4096);
    const QJsonObject format = body["response_format"].toObject();
    EXPECT_EQ(format["type"].toString(), "json_schema");
    const QJsonObject jsonSchema = format["json_schema"].toObject();
    EXPECT_EQ(jsonSchema["name"].toString(), "TaskSortResponse");
    EXPECT_EQ(jsonSchema["strict"], QJsonValue(true));
    const QJsonObject items = jsonSchema["schema"]["properties"]["items"].toObject();
    EXPECT_EQ(items["maxItems"].toInt(), 64);
    EXPECT_EQ(items["description"].toString(), "One result for each input task.");
    const QJsonObject properties = items["items"]["properties"].toObject();
    EXPECT_EQ(properties["taskIndex"]["description"].toString(), "The 1-based index of this task from the input list.");
    EXPECT_EQ(properties["priority"]["enum"].toArray(), (QJsonArray{"high", "medium", "low"}));
    EXPECT_EQ(properties["why"]["description"].toString(),
              "A short explanation that names the priority driver in plain language.");
    // The wire text keeps the item properties in their declared order.
    const qsizetype schemaStart = request.body.indexOf("\"response_format\"");
    const qsizetype taskIndex = request.body.indexOf("\"taskIndex\":", schemaStart);
    const qsizetype priority = request.body.indexOf("\"priority\":", schemaStart);
    const qsizetype why = request.body.indexOf("\"why\":", schemaStart);
    EXPECT_TRUE(schemaStart > 0 && taskIndex > schemaStart && priority > taskIndex && why > priority);

    // Without the schema in the prompt the user message is the prompt itself.
    respondOnce(model, QStringLiteral("Only this."));
    EXPECT_EQ(QJsonDocument::fromJson(server.requests.last().body)["messages"][1]["content"].toString(), "Only this.");
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

    const auto outcome = [&](Reply reply) {
        next = std::move(reply);
        return kindOf(respondOnce(model));
    };
    const auto failure = [](int status, const QByteArray& body) { return FakeHttpServer::json(status, body); };
    const auto answer = [](const QJsonValue& content, const QString& finish = "stop",
                           const QJsonValue& refusal = QJsonValue::Null) {
        return FakeHttpServer::json(200, completion(content, finish, refusal));
    };

    EXPECT_EQ(outcome(failure(429, R"({"error":{"message":"busy"}})")), Kind::rateLimited);
    EXPECT_EQ(outcome(failure(400, R"({"error":{"code":400,"message":"the request exceeds the available context size, try increasing it","type":"exceed_context_size_error"}})")),
              Kind::exceededContextWindowSize);
    EXPECT_EQ(outcome(failure(400, R"({"error":{"code":"context_length_exceeded"}})")), Kind::exceededContextWindowSize);
    EXPECT_EQ(outcome(answer(R"({"items":[{"taskIndex":1,)", "length")), Kind::exceededContextWindowSize);
    EXPECT_EQ(outcome(failure(404, R"({"error":{"message":"model 'm' not found"}})")), Kind::assetsUnavailable);
    EXPECT_EQ(outcome(failure(503, R"({"error":{"message":"Loading model"}})")), Kind::assetsUnavailable);
    EXPECT_EQ(outcome(failure(400, R"({"error":{"message":"JSON schema conversion failed: unsupported keyword"}})")),
              Kind::unsupportedGuide);
    EXPECT_EQ(outcome(failure(500, "boom")), Kind::other);
    EXPECT_EQ(outcome(answer("Sure! Here is the ranking: 1 high")), Kind::decodingFailure);
    EXPECT_EQ(outcome(answer(QJsonValue::Null)), Kind::decodingFailure);
    EXPECT_EQ(outcome(answer("", "content_filter")), Kind::guardrailViolation);
    EXPECT_EQ(outcome(answer(QJsonValue::Null, "stop", "I can't help with that.")), Kind::refusal);
    EXPECT_EQ(outcome(failure(200, "not a completion")), Kind::other);

    Reply redirect = failure(302, "");
    redirect.extraHeaders = {"Location: http://192.0.2.10/v1/chat/completions"};
    const int before = server.connections;
    EXPECT_EQ(outcome(redirect), Kind::other);
    EXPECT_EQ(server.connections, before + 1);

    // A fenced answer from a server that ignored response_format still decodes.
    const LanguageModel::Response fenced = (next = answer("```json\n" + QString::fromUtf8(kAnswer) + "\n```"),
                                            respondOnce(model));
    EXPECT_TRUE(std::holds_alternative<QJsonValue>(fenced));

    // Silent, hung-up, oversized (declared, streamed without a length, or plain): each ends, with `other`.
    const auto description = [&](Reply reply, LanguageModel& target) {
        next = std::move(reply);
        const LanguageModel::Response response = respondOnce(target);
        EXPECT_EQ(kindOf(response), Kind::other);
        const auto* error = std::get_if<LanguageModel::GenerationError>(&response);
        return error ? error->debugDescription : QString();
    };
    Reply silent;
    silent.mode = Reply::Mode::silent;
    EXPECT_EQ(description(silent, impatient), "The model server did not answer within 150 ms.");
    Reply hangUp;
    hangUp.mode = Reply::Mode::hangUp;
    EXPECT_FALSE(description(hangUp, model).isEmpty());
    Reply declared = answer(QString::fromUtf8(kAnswer));
    declared.declaredContentLength = 1 << 20;
    EXPECT_EQ(description(declared, model), "The model server's reply was too large.");
    Reply endless = answer(QString(8000, QLatin1Char('x')));
    endless.sendContentLength = false;
    EXPECT_EQ(description(endless, model), "The model server's reply was too large.");
    EXPECT_EQ(description(answer(QString(5000, QLatin1Char('x'))), model), "The model server's reply was too large.");

    EXPECT_FALSE(kindOf((next = answer(QString::fromUtf8(kAnswer)), respondOnce(model))).has_value());
}

TEST(OpenAICompatibleLanguageModel, SessionAnswersOnePromptAtATime)
{
    FakeHttpServer server;
    server.handler = [](const FakeHttpServer::Request&) {
        return FakeHttpServer::json(200, completion(QString::fromUtf8(kAnswer)));
    };
    OpenAICompatibleLanguageModel model(configurationFor(server.url(), "m"));
    const auto session = model.makeSession(QStringLiteral("Be brief."));
    QObject context;
    QList<LanguageModel::Response> responses;
    for (int i = 0; i < 2; ++i)
        session->respond(QStringLiteral("P"), TaskSortResponse::generationSchema(), false, {}, &context,
                         [&](const LanguageModel::Response& response) { responses.append(response); });
    ASSERT_TRUE(waitUntil([&] { return responses.size() == 2; }));
    EXPECT_EQ(kindOf(responses[0]), Kind::concurrentRequests);
    EXPECT_TRUE(std::holds_alternative<QJsonValue>(responses[1]));
    EXPECT_EQ(server.requests.size(), 1);

    // Free again afterwards; a caller that is gone hears nothing.
    auto gone = std::make_unique<QObject>();
    bool heard = false;
    session->respond(QStringLiteral("P"), TaskSortResponse::generationSchema(), false, {}, gone.get(),
                     [&](const LanguageModel::Response&) { heard = true; });
    gone.reset();
    ASSERT_TRUE(waitUntil([&] { return server.requests.size() == 2; }));
    runEventLoopFor(50);
    EXPECT_FALSE(heard);
}

TEST(OpenAICompatibleLanguageModel, AISortRanksThroughALocalServerAndFailsFastWithout)
{
    FakeHttpServer server;
    server.handler = [](const FakeHttpServer::Request& request) {
        if (request.path == "/v1/models")
            return FakeHttpServer::json(200, R"({"data":[{"id":"local"}]})");
        return FakeHttpServer::json(
            200, completion(R"({"items":[{"taskIndex":2,"priority":"low","why":"Can wait"},)"
                            R"({"taskIndex":1,"priority":"high","why":"Rent is due today"}]})"));
    };
    OpenAICompatibleLanguageModel model(configurationFor(server.url()));
    AppleFoundationTaskSortingService service(&model);
    TaskItem rent;
    rent.title = QStringLiteral("Pay rent today");
    TaskItem plants;
    plants.title = QStringLiteral("Water plants");
    TaskSortContext context;
    context.workspaceTitle = QStringLiteral("Home");

    QObject receiver;
    std::optional<TaskSortResult> result;
    service.sortTasks({rent, plants}, context, &receiver, [&](const TaskSortResult& answer) { result = answer; });
    ASSERT_TRUE(waitUntil([&] { return result.has_value(); }));
    EXPECT_EQ(std::get<TaskSortDecisionList>(*result),
              (TaskSortDecisionList{{2, TaskPriority::low, "Can wait"}, {1, TaskPriority::high, "Rent is due today"}}));

    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 freePort = probe.serverPort();
    probe.close();
    OpenAICompatibleLanguageModel absent(configurationFor(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(freePort))));
    AppleFoundationTaskSortingService offline(&absent);
    result.reset();
    offline.sortTasks({rent}, context, &receiver, [&](const TaskSortResult& answer) { result = answer; });
    ASSERT_TRUE(waitUntil([&] { return result.has_value(); }));
    EXPECT_EQ(std::get<TaskSortingError>(*result).description(), "Turn on the on-device model to use AI Sort.");
}
