#include "Model/JsonCoding.h"
#include "Model/TaskItem.h"
#include "Model/TaskWorkspaceState.h"
#include "Platform/Uuid.h"

#include <QJsonDocument>
#include <gtest/gtest.h>

namespace {

const QString kId = QStringLiteral("E621E1F8-C36C-495A-93FC-0C247A3E6E5F");

QJsonObject object(const char* json)
{
    return QJsonDocument::fromJson(json).object();
}

QJsonObject minimalTask()
{
    return object(R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","title":"Pay rent","priority":"high",
                      "reasonText":"","createdAt":700000000.5})");
}

TaskItem sampleTask()
{
    TaskItem task;
    task.id = *Uuid::parse(kId);
    task.title = QStringLiteral("Write report");
    task.sectionID = QStringLiteral("section.work");
    return task;
}

} // namespace

TEST(TaskItemJson, MissingAndNullOptionalsTakeTheirDefaults)
{
    const TaskItem task = TaskItem::fromJson(minimalTask());
    EXPECT_EQ(task.sectionID, "section.personal");
    EXPECT_EQ(task.sortOrder, 0);
    EXPECT_FALSE(task.isCompleted);
    EXPECT_FALSE(task.completedAt);
    EXPECT_FALSE(task.reminder);
    EXPECT_TRUE(task.aiStatesByWorkspace.isEmpty());
    EXPECT_FALSE(task.aiReasonSourceTitle);
    EXPECT_EQ(task.priority, TaskPriority::high);
    EXPECT_EQ(task.createdAt.secondsSinceReferenceDate, 700000000.5);

    QJsonObject withNulls = minimalTask();
    withNulls["sectionID"] = QJsonValue::Null;
    withNulls["sortOrder"] = QJsonValue::Null;
    withNulls["isCompleted"] = QJsonValue::Null;
    withNulls["reminder"] = QJsonValue::Null;
    withNulls["unknownKey"] = 42;
    EXPECT_EQ(TaskItem::fromJson(withNulls), task);

    // Lower-case ids are read too, and written back upper-case.
    QJsonObject lower = minimalTask();
    lower["id"] = kId.toLower();
    EXPECT_EQ(TaskItem::fromJson(lower).toJson()["id"].toString(), kId);
}

TEST(TaskItemJson, StrictDecodingRejectsWrongTypesAndValues)
{
    auto fails = [](void (*edit)(QJsonObject&)) {
        QJsonObject o = minimalTask();
        edit(o);
        EXPECT_THROW(TaskItem::fromJson(o), DecodingError) << QJsonDocument(o).toJson().constData();
    };
    fails([](QJsonObject& o) { o["priority"] = "urgent"; });
    fails([](QJsonObject& o) { o.remove("reasonText"); });
    fails([](QJsonObject& o) { o.remove("createdAt"); });
    fails([](QJsonObject& o) { o["id"] = "{E621E1F8-C36C-495A-93FC-0C247A3E6E5F}"; });
    fails([](QJsonObject& o) { o["id"] = "not-a-uuid"; });
    fails([](QJsonObject& o) { o["title"] = 7; });
    fails([](QJsonObject& o) { o["isCompleted"] = 1; });        // a bool only from true/false
    fails([](QJsonObject& o) { o["isCompleted"] = "true"; });
    fails([](QJsonObject& o) { o["sortOrder"] = 1.5; });        // an integer only from an integral number
    fails([](QJsonObject& o) { o["sortOrder"] = 1e300; });      // ... in range
    fails([](QJsonObject& o) { o["sortOrder"] = "3"; });
    fails([](QJsonObject& o) { o["createdAt"] = "2024-01-01"; });
    fails([](QJsonObject& o) { o["reminder"] = object(R"({"scheduledAt":1})"); });
    fails([](QJsonObject& o) { o["aiStatesByWorkspace"] = object(R"({"section.work":{"priority":"low","reasonText":""}})"); });
    fails([](QJsonObject& o) { o["aiStatesByWorkspace"] = QJsonArray(); });

    QJsonObject integral = minimalTask();
    integral["sortOrder"] = 3.0;
    EXPECT_EQ(TaskItem::fromJson(integral).sortOrder, 3);

    // One bad task fails the whole list.
    QJsonObject bad = minimalTask();
    bad["priority"] = "urgent";
    EXPECT_THROW(TaskItems::fromJson(QJsonArray{minimalTask(), bad}), DecodingError);
}

TEST(TaskItemJson, EncodingWritesNullsOmitsReminderAndRoundTripsExactly)
{
    TaskItem task = sampleTask();
    task.createdAt = Date{717171717.123456789};
    const QJsonObject encoded = task.toJson();
    EXPECT_TRUE(encoded.contains("completedAt") && encoded["completedAt"].isNull());
    EXPECT_TRUE(encoded.contains("aiReasonSourceTitle") && encoded["aiReasonSourceTitle"].isNull());
    EXPECT_FALSE(encoded.contains("reminder"));
    EXPECT_EQ(encoded.size(), 11);

    task.completedAt = Date{0.1 + 0.2};
    task.isCompleted = true;
    task.reminder = TaskReminder{Date{-12.75}, true};
    task.aiReasonSourceTitle = task.title;
    task.aiStatesByWorkspace.insert(kAllWorkspaceID, {TaskPriority::medium, "Due soon", task.title});
    task.sortOrder = 9007199254740993LL; // beyond a double's exact integers
    // Everything JSON must escape, plus text outside the basic plane.
    task.title = QString::fromUtf8("Quote \" back\\slash \n\t\x01\x1f line\u2028sep \U0001F600 caf\u00e9");
    task.aiStatesByWorkspace.insert(task.title, {TaskPriority::low, task.title, task.title});
    const QByteArray bytes = Json::serialize(task.toJson());
    const TaskItem decoded = TaskItem::fromJson(Json::parse(bytes));
    EXPECT_EQ(decoded, task);
    EXPECT_EQ(decoded.completedAt->secondsSinceReferenceDate, 0.1 + 0.2);

    TaskItem other = task;
    other.aiStatesByWorkspace[kAllWorkspaceID].reasonText = "Different";
    EXPECT_NE(other, task);
}

TEST(TaskItemProjection, ResultsCountOnlyForTheirWorkspaceAndCurrentTitle)
{
    TaskItem task = sampleTask();
    task.aiStatesByWorkspace.insert("section.work", {TaskPriority::high, "Client deadline", task.title});
    const TaskItem shown = task.projected("section.work");
    EXPECT_EQ(shown.priority, TaskPriority::high);
    EXPECT_EQ(shown.reasonText, "Client deadline");
    EXPECT_EQ(shown.aiReasonSourceTitle, task.title);

    // Stale entry (title changed by a word) and no own reason: low, nothing shown.
    task.aiStatesByWorkspace["section.work"].sourceTitle = "Write the report";
    task.priority = TaskPriority::high;
    const TaskItem stale = task.projected("section.work");
    EXPECT_EQ(stale.priority, TaskPriority::low);
    EXPECT_TRUE(stale.reasonText.isEmpty());
    EXPECT_FALSE(stale.aiReasonSourceTitle);

    // ... unless its own reason was given for the current title in its own section.
    task.reasonText = "Own reason";
    task.aiReasonSourceTitle = task.title;
    EXPECT_EQ(task.projected("section.work").reasonText, "Own reason");
    EXPECT_EQ(task.projected("section.work").priority, TaskPriority::high);
    EXPECT_TRUE(task.projected("section.home").reasonText.isEmpty());
    // The aggregate workspace never falls back to the task's own fields.
    EXPECT_EQ(task.projected(kAllWorkspaceID).priority, TaskPriority::low);

    // Canonically equivalent titles still match.
    TaskItem accented = sampleTask();
    accented.title = QString::fromUtf8("Caf\u00e9");
    accented.aiStatesByWorkspace.insert(kAllWorkspaceID, {TaskPriority::medium, "r", QString::fromUtf8("Cafe\u0301")});
    EXPECT_EQ(accented.projected(kAllWorkspaceID).priority, TaskPriority::medium);
}

TEST(JsonWriter, EscapesWhatStrictReadersRejectAndNothingElse)
{
    // Qt's own reader accepts raw control characters, so a round trip cannot
    // tell; other readers of the stored file refuse them. Compare the bytes.
    const std::vector<std::pair<QString, QByteArray>> cases{
        {QStringLiteral("plain caf\u00e9"), "\"plain caf\xc3\xa9\""},
        {QStringLiteral("q\"b\\"), "\"q\\\"b\\\\\""},
        {QStringLiteral("n\nr\rt\t"), "\"n\\nr\\rt\\t\""},
        {QString::fromUtf8("\x01\x08\x0c\x1f"), "\"\\u0001\\u0008\\u000c\\u001f\""},
        {QString(QChar(0)) + QStringLiteral("x\u007f"), "\"\\u0000x\x7f\""},
        // A long text is written in pieces: whatever falls on a piece's end comes out whole.
        {QString(65535, 'a') + QString::fromUtf8("\xF0\x9F\x98\x80\"\n"), '"' + QByteArray(65535, 'a') + "\xF0\x9F\x98\x80\\\"\\n\""},
        {QString(65535, 'a') + QChar(0xd800) + QStringLiteral("x") + QChar(0xdc00),
         '"' + QByteArray(65535, 'a') + "?x?\""},
        {QChar(0xfeff) + QString(70000, 'b') + QChar(0xfeff), "\"\\ufeff" + QByteArray(70000, 'b') + "\xEF\xBB\xBF\""},
    };
    for (const auto& [text, expected] : cases) {
        Json::Writer writer;
        writer.value(text);
        EXPECT_EQ(writer.take(), expected) << text.toStdString();
    }
}
