#include "Model/AppPreferences.h"
#include "Model/JsonCoding.h"
#include "Model/TaskWorkspaceState.h"

#include <QJsonDocument>
#include <gtest/gtest.h>

namespace {
QJsonObject object(const char* json)
{
    return QJsonDocument::fromJson(json).object();
}
} // namespace

TEST(TaskSectionJson, LegacyReminderAccentAndKind)
{
    const TaskSection withReminder = TaskSection::fromJson(
        object(R"({"id":"section.work","title":"Work","kind":"builtIn","sortOrder":0,"reminder":{"scheduledAt":700000000}})"));
    EXPECT_EQ(withReminder.kind, TaskSection::Kind::builtIn);
    EXPECT_FALSE(withReminder.toJson().contains("reminder"));
    EXPECT_FALSE(withReminder.toJson().contains("accent"));

    EXPECT_NO_THROW(TaskSection::fromJson(
        object(R"({"id":"a","title":"A","kind":"custom","sortOrder":0,"reminder":null,"accent":null})")));
    EXPECT_THROW(TaskSection::fromJson(
                     object(R"({"id":"a","title":"A","kind":"custom","sortOrder":0,"reminder":{"isDelivering":true}})")),
                 DecodingError);
    EXPECT_THROW(TaskSection::fromJson(object(R"({"id":"a","title":"A","kind":"custom","sortOrder":0,"reminder":5})")),
                 DecodingError);
    EXPECT_THROW(TaskSection::fromJson(object(R"({"id":"a","title":"A","kind":"custom","sortOrder":0,"accent":"pink"})")),
                 DecodingError);
    EXPECT_THROW(TaskSection::fromJson(object(R"({"id":"a","title":"A","kind":"shared","sortOrder":0})")), DecodingError);
    EXPECT_THROW(TaskSection::fromJson(object(R"({"id":"a","title":"A","kind":"custom"})")), DecodingError);

    const TaskSection teal = TaskSection::fromJson(
        object(R"({"id":"section.custom.x","title":"Garden","kind":"custom","sortOrder":4,"accent":"green"})"));
    EXPECT_EQ(teal.accent, TaskSectionAccent::green);
    EXPECT_EQ(TaskSection::fromJson(teal.toJson()), teal);
}

TEST(TaskWorkspaceStateJson, OptionalPromptsAndRoundTrip)
{
    const TaskWorkspaceState state = TaskWorkspaceState::fromJson(object(
        R"({"sections":[{"id":"section.work","title":"Work","kind":"builtIn","sortOrder":0}],"tasks":[],"selectedWorkspaceID":"section.work"})"));
    EXPECT_TRUE(state.workspacePromptsByID.isEmpty());
    EXPECT_EQ(state.defaultPromptOverride, "");
    const QJsonObject encoded = state.toJson();
    EXPECT_TRUE(encoded.contains("workspacePromptsByID"));
    EXPECT_TRUE(encoded.contains("defaultPromptOverride"));

    TaskWorkspaceState full = TaskWorkspaceState::defaultState();
    full.workspacePromptsByID.insert("section.work", "Deadlines first");
    full.defaultPromptOverride = "Be brief";
    EXPECT_EQ(TaskWorkspaceState::fromJson(Json::parse(Json::serialize(full.toJson()))), full);

    EXPECT_THROW(TaskWorkspaceState::fromJson(object(R"({"sections":[],"tasks":[]})")), DecodingError);
    EXPECT_THROW(TaskWorkspaceState::fromJson(
                     object(R"({"sections":[],"tasks":[],"selectedWorkspaceID":"x","workspacePromptsByID":{"a":1}})")),
                 DecodingError);
}

TEST(AppPreferencesJson, EveryKeyRequiredAndOlderPageNamesMapped)
{
    const char* stored = R"({"reopenControlPanelAtLaunch":true,"preferredControlPanelDestination":"history",
        "hasCompletedOnboarding":true,"launchAtLoginEnabled":false,"aiTaskRankingEnabled":false,"appearanceMode":"dark"})";
    const AppPreferences preferences = AppPreferences::fromJson(object(stored));
    EXPECT_EQ(preferences.preferredControlPanelDestination, ControlPanelDestination::completed);
    EXPECT_EQ(preferences.toJson()["preferredControlPanelDestination"].toString(), "completed");
    EXPECT_EQ(preferences.appearanceMode, AppAppearanceMode::dark);
    EXPECT_EQ(AppPreferences::fromJson(preferences.toJson()), preferences);

    QJsonObject unknownPage = object(stored);
    unknownPage["preferredControlPanelDestination"] = "stats";
    EXPECT_EQ(AppPreferences::fromJson(unknownPage).preferredControlPanelDestination, ControlPanelDestination::overview);

    QJsonObject numericPage = object(stored);
    numericPage["preferredControlPanelDestination"] = 2;
    EXPECT_THROW(AppPreferences::fromJson(numericPage), DecodingError);
    QJsonObject missing = object(stored);
    missing.remove("aiTaskRankingEnabled");
    EXPECT_THROW(AppPreferences::fromJson(missing), DecodingError);
    QJsonObject badMode = object(stored);
    badMode["appearanceMode"] = "sepia";
    EXPECT_THROW(AppPreferences::fromJson(badMode), DecodingError);

    const AppPreferences defaults;
    EXPECT_TRUE(defaults.aiTaskRankingEnabled);
    EXPECT_FALSE(defaults.hasCompletedOnboarding);
}
