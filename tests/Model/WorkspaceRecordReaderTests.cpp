#include "Model/UserDefaultsTaskStore.h"
#include "Model/WorkspaceRecordReader.h"
#include "Support/JsonMembers.h"
#include "Support/RecordReaderComparison.h"

#include <gtest/gtest.h>

namespace {

const QByteArray kId = "E621E1F8-C36C-495A-93FC-0C247A3E6E5F";

// A task; `extra` members come last, in place of those it names again as written.
QByteArray task(const QByteArray& extra = {}, const QByteArray& title = R"("Pay rent")")
{
    return JsonMembers::object({{"id", '"' + kId + '"'}, {"title", title}, {"priority", R"("high")"},
                                {"reasonText", R"("")"}, {"createdAt", "700000000.5"}},
                               extra);
}

// A task that holds `member` as well as its own of that name.
QByteArray taskRepeating(const QByteArray& member)
{
    return task().chopped(1) + member + '}';
}

QByteArray workspace(const QByteArray& tasks, const QByteArray& extra = {})
{
    return JsonMembers::object({{"sections", R"([{"id":"section.work","title":"Work","kind":"builtIn","sortOrder":0}])"},
                                {"tasks", '[' + tasks + ']'}, {"selectedWorkspaceID", R"("section.work")"}},
                               extra);
}

QByteArray nested(int depth)
{
    return QByteArray(depth, '[') + QByteArray(depth, ']');
}

struct Case {
    QByteArray bytes;
    // What the reference says, pinned so a case cannot pass by both readers
    // agreeing on something else; empty: accepted.
    std::string failure = "?";
};

const std::string kNotJson = "The data isn't valid JSON: ";

// Members "k0":"p", "k1":"p", ... each followed by a comma.
QByteArray manyKeys(int count)
{
    QByteArray members;
    for (int i = 0; i < count; ++i)
        members += "\"k" + QByteArray::number(i) + "\":\"p\",";
    return members;
}

std::string repeated(const std::string& key)
{
    return key + ": repeated in one object";
}

// `unit` repeated to about `size` bytes: long enough for a text to be made
// only after the record decodes, or, in megabytes, in several chunks.
QByteArray longText(const QByteArray& unit, qsizetype size)
{
    return unit.repeated(size / unit.size() + 1);
}

// Plain ASCII, and every length of UTF-8 sequence, so that chunk ends fall inside each.
const QByteArray kLongPlain = longText("plan the garden ", 300);
const QByteArray kLongMixed = longText("x\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80 ", 3 << 20);

QByteArray quoted(const QByteArray& text)
{
    return '"' + text + '"';
}

// Each "<BOM>" becomes a byte-order mark, unescaped.
QByteArray marked(QByteArray text)
{
    return text.replace("<BOM>", "\xEF\xBB\xBF");
}

} // namespace

TEST(WorkspaceRecordReader, AgreesWithTheTreeReaderOnTrickyRecords)
{
    const Case cases[] = {
        // Syntax, and which error the parser meets first.
        {"", "The data isn't valid JSON"},
        {"  \n", "The data isn't valid JSON"},
        {"\xEF\xBB\xBF" + workspace(task()), kNotJson + "illegal number"},
        {workspace(task()) + " x", kNotJson + "garbage at the end of the document"},
        {workspace(task()) + "\r\n\t "},
        {"\v{}", kNotJson + "illegal value"},
        {"\xA0[]", kNotJson + "illegal value"},
        {"[1", kNotJson + "invalid termination by number"},
        {"[1 x", kNotJson + "unterminated array"},
        {"[1 x ]", kNotJson + "missing value separator"},
        {"[,", kNotJson + "illegal value"},
        {"[1,]", kNotJson + "object is missing after a comma"},
        {R"({"a":1,})", kNotJson + "object is missing after a comma"},
        {R"({"a" 1})", kNotJson + "missing name separator"},
        {R"({"a":)", kNotJson + "unterminated object"},
        {R"({"a":1 "b":2})", kNotJson + "unterminated object"},
        {"[nul]", kNotJson + "illegal value"},
        {"[nulx]", kNotJson + "illegal value"},
        {"[tru]", kNotJson + "illegal value"},
        {"[fals]", kNotJson + "illegal value"},
        {R"(["\u12"])", kNotJson + "invalid escape sequence"},
        {R"(["\uZZZZ"])", kNotJson + "invalid escape sequence"},
        {"[\"\\", kNotJson + "unterminated string"},
        {"[\"\\u", kNotJson + "invalid escape sequence"},
        {"[\"abc", kNotJson + "unterminated string"},
        {"[\"abc\"", kNotJson + "unterminated string"},
        {"[\"\xC3\"]", kNotJson + "invalid UTF8 string"},
        {"[\"\xED\xA0\x80\"]", kNotJson + "invalid UTF8 string"},
        {"[\"\xF4\x90\x80\x80\"]", kNotJson + "invalid UTF8 string"},
        {"[\"\xC0\x80\"]", kNotJson + "invalid UTF8 string"},
        {"[\"\\\xC3\xA9\"]", kNotJson + "invalid UTF8 string"},
        {"[\"\\x\xC3\"]", kNotJson + "invalid UTF8 string"},
        {"[-]", kNotJson + "illegal number"},
        {"[1e400]", kNotJson + "illegal number"},
        {"[1e-400]", kNotJson + "illegal number"},
        {"[01]", kNotJson + "missing value separator"},
        {nested(1024), "tasks[0]: expected an object"},
        {nested(1025), kNotJson + "too deeply nested document"},
        // A later syntax error wins over an earlier decoding failure.
        {R"([{"id":1},{"a":1,}])", kNotJson + "object is missing after a comma"},
        {R"({"sections":5} x)", kNotJson + "garbage at the end of the document"},
        // Text that is not an object or array at the top.
        {R"("just a string")", "tasks: expected an array"},
        {"null", "tasks: expected an array"},
        {" 12 ", "tasks: expected an array"},
        {"1,2", "The data isn't valid JSON"},
        {"1]", kNotJson + "garbage at the end of the document"},
        // The workspace form: members checked in a fixed order, whatever their order in the text.
        {workspace(task())},
        {R"({"tasks":[],"selectedWorkspaceID":"x"})", "sections: missing"},
        {R"({"sections":null,"tasks":[],"selectedWorkspaceID":"x"})", "sections: missing"},
        {R"({"selectedWorkspaceID":5,"tasks":{},"sections":{}})", "sections: expected an array"},
        {R"({"selectedWorkspaceID":5,"tasks":{},"sections":[]})", "tasks: expected an array"},
        {R"({"selectedWorkspaceID":5,"sections":[]})", "tasks: missing"},
        {R"({"selectedWorkspaceID":5,"tasks":[],"sections":[]})", "selectedWorkspaceID: expected a string"},
        {R"({"sections":[{"id":1},7,{"id":2}],"tasks":[],"selectedWorkspaceID":"x"})", "sections[1]: expected an object"},
        {R"({"sections":[{"id":"s","title":"S","kind":"custom","sortOrder":0},{"id":2}],"tasks":[3],"selectedWorkspaceID":"x"})",
         "sections[1].id: expected a string"},
        {workspace(task(), R"(,"workspacePromptsByID":[])"), "workspacePromptsByID: expected an object"},
        {workspace(task(), R"(,"workspacePromptsByID":{"b":1,"a":null,"c":"ok"})"), "a: expected a string"},
        {workspace(task(), R"(,"workspacePromptsByID":{"a":1,"a":"fixed"},"defaultPromptOverride":null)"), repeated("a")},
        {workspace(task(), "," "\"workspacePromptsByID\":{\"\xF0\x9F\x98\x80\":1,\"\xEE\x80\x80\":2}"),
         "\xEE\x80\x80: expected a string"},
        {workspace(task(), R"(,"defaultPromptOverride":false)"), "defaultPromptOverride: expected a string"},
        // A key an object repeats fails the record, whichever copy would
        // have decoded and wherever the object is: one of the two would be
        // lost unseen. Escaped or not, it is the same key.
        {workspace(taskRepeating(R"(,"title":5)")), repeated("title")},
        {workspace(R"({"title":5,)" + task().mid(1)), repeated("title")},
        {R"({"sections":[],"tasks":[{"id":1}],"selectedWorkspaceID":"x","tasks":[]})", repeated("tasks")},
        {R"({"tasks":[],"sections":[],"selectedWorkspaceID":"x","tasks":[7]})", repeated("tasks")},
        {workspace(task(R"(,"\u0074itle":"Escaped key"," \u0074itle":1)")), repeated("title")},
        {workspace(task(R"(,"ti\u0074le":"Escaped key"," \u0074itle":1)")), repeated("title")},
        {workspace(task(R"(,"\uD83D\uDE00":1," ":2,)" "\"\xF0\x9F\x98\x80\":3")), repeated("\xF0\x9F\x98\x80")},
        {workspace(task(R"(,"\uD800":1,"\ud800":2)")), repeated("?")}, // a lone surrogate is written as '?'
        {workspace(task(R"(,"\uD800\uDC00":1,"\uD800":2)"))},
        {workspace(task(R"(,"unknown":{"deep":[{"x":1},{"y":{"z":1,"z":2}}]})")), repeated("z")},
        {workspace(task(R"(,"reminder":{"scheduledAt":1,"isDelivering":false,"scheduledAt":2})")), repeated("scheduledAt")},
        {"[" + task() + "," + taskRepeating(R"(,"createdAt":1)") + "]", repeated("createdAt")},
        {R"({"a":{"b":1,"b":2},"a":3})", repeated("b")},
        {R"({"a":{"b":1},"b":{"a":1}})", "sections: missing"},
        // The first repeat in the text is named; a syntax error anywhere wins.
        {workspace(taskRepeating(R"(,"title":5,"reasonText":"")")), repeated("title")},
        {R"({"tasks":[],"tasks":[],"sections":5,"sections":6)", kNotJson + "invalid termination by number"},
        {R"({"x":1,"x":2,"selectedWorkspaceID":5,"tasks":{},"sections":{}})", repeated("x")},
        {"{" + longText(R"("k":1,)", 300) + R"("k":1})", repeated("k")},
        {workspace(task(), R"(,"workspacePromptsByID":{)" + manyKeys(200) + R"("k7":"again"})"), repeated("k7")},
        {"{\"" + QByteArray(100, 'k') + "\":1,\"" + QByteArray(100, 'k') + "\":2}",
         repeated(std::string(60, 'k') + "\xE2\x80\xA6")},
        // Escaped keys beyond U+D7FF: the streaming reader hands over to the tree.
        {workspace(task(R"(,"\uD83D\uDE00":1,"\uE000":2,"tit\u006ce":"x")")), repeated("title")},
        {workspace(task(R"(,"\uD83D\uDE00":1,"\uE000":2,"\uD83D\uDE01":3)"))},
        {workspace(task(), R"(,"workspacePromptsByID":{"\uD83D\uDE00":1,"\uE000":2})"), "\xF0\x9F\x98\x80: expected a string"},
        // Tasks: required members, strict types, defaults.
        {workspace(task(R"(,"sectionID":null,"sortOrder":null,"isCompleted":null,"completedAt":null,"reminder":null,"aiStatesByWorkspace":null,"aiReasonSourceTitle":null)"))},
        {workspace(R"({"title":1,"priority":2})"), "tasks[0].id: missing"},
        {workspace(task(R"(,"id":7)")), "tasks[0].id: expected a string"},
        {workspace(task(R"(,"id":"{E621E1F8-C36C-495A-93FC-0C247A3E6E5F}")")), "tasks[0].id: not a valid UUID"},
        {workspace(task(R"(,"id":"e621e1f8-c36c-495a-93fc-0c247a3e6e5f")"))},
        {workspace(task(R"(,"id":"\u0045621E1F8-C36C-495A-93FC-0C247A3E6E5F")"))},
        {workspace(task(R"(,"priority":"urgent")")), "tasks[0].priority: not a priority"},
        {workspace(task(R"(,"priority":null,"reasonText":1)")), "tasks[0].priority: missing"},
        {workspace(task(R"(,"isCompleted":1)")), "tasks[0].isCompleted: expected true or false"},
        {workspace(task(R"(,"isCompleted":"true")")), "tasks[0].isCompleted: expected true or false"},
        {workspace(task(R"(,"createdAt":"2024")")), "tasks[0].createdAt: expected a date (a number)"},
        {workspace(task(R"(,"reminder":{"scheduledAt":1})")), "tasks[0].isDelivering: missing"},
        {workspace(task(R"(,"reminder":[])")), "tasks[0].reminder: expected an object"},
        {workspace(task(R"(,"reminder":{"scheduledAt":-0.0,"isDelivering":true,"extra":{"deep":[1,{}]}})"))},
        // Numbers: integers only from integral values in range, dates bit for bit.
        {workspace(task(R"(,"sortOrder":1.0,"completedAt":-0)"))},
        {workspace(task(R"(,"sortOrder":1e2,"completedAt":5e-324)"))},
        {workspace(task(R"(,"sortOrder":9223372036854775807,"completedAt":9007199254740993)"))},
        {workspace(task(R"(,"sortOrder":-9223372036854775809,"completedAt":1.7976931348623157e308)"))},
        {workspace(task(R"(,"sortOrder":9223372036854775808)")), "tasks[0].sortOrder: expected an integer"},
        {workspace(task(R"(,"sortOrder":1.5)")), "tasks[0].sortOrder: expected an integer"},
        {workspace(task(R"(,"sortOrder":-0.0,"createdAt":0.1e1,"completedAt":1.)"))},
        {workspace(task(R"(,"createdAt":123456789012345678901234567890)"))},
        // AI results: the failure of the first key in order wins, unprefixed.
        {workspace(task(R"(,"aiStatesByWorkspace":{"b":{"priority":"low"},"a":5})")), "tasks[0].aiState: expected an object"},
        {workspace(task(R"(,"aiStatesByWorkspace":{"b":5,"a":{"priority":"low","reasonText":"r"}})")), "tasks[0].sourceTitle: missing"},
        {workspace(task(R"(,"aiStatesByWorkspace":{"a":5,"a":{"priority":"low","reasonText":"r","sourceTitle":"s"}})")), repeated("a")},
        {workspace(task(R"(,"aiStatesByWorkspace":{"a":{"priority":"low","reasonText":"r","sourceTitle":"s"},"a":5})")), repeated("a")},
        {workspace(task(R"(,"aiStatesByWorkspace":[])")), "tasks[0].aiStatesByWorkspace: expected an object"},
        // Strings: escapes, NUL, lone surrogates in values, a backslash before any byte.
        {workspace(task({}, R"("tab\tnul\u0000pair\uD83D\uDE00lone\uDC00 \q\/\"")"))},
        {workspace(task({}, QByteArray("\"raw\0nul \xF0\x9F\x98\x80 caf\xC3\xA9\"", 20)))},
        {workspace(task({}, "\"\\\xC3\""))},
        // Long strings, with and without escapes; a failure anywhere in one still wins.
        {workspace(task({}, quoted(kLongPlain)))},
        {workspace(task({}, quoted(kLongMixed)))},
        {workspace(task({}, quoted(longText(QByteArray("\0", 1), 300))))},
        {workspace(task({}, quoted(QByteArray(9 << 20, 'a'))))},
        {workspace(task({}, quoted(longText("\xF0\x9F\x98\x80\xC3\xA9 \xE2\x82\xAC", 9 << 20))))},
        {workspace(task({}, quoted(kLongMixed + "\\n\\u00e9\\uD83D\\uDE00\\\"" + kLongMixed)))},
        {workspace(task({}, quoted("\\t" + kLongPlain)))},
        {marked(workspace(task({}, quoted("<BOM>" + kLongMixed))))},
        {marked(workspace(task({}, quoted("<BOM><BOM>" + kLongPlain))))},
        {workspace(task(R"(,"reasonText":)" + quoted(kLongPlain) + R"(,"aiReasonSourceTitle":)" + quoted(kLongMixed),
                        quoted(kLongMixed)))},
        {workspace(task(R"(,"sectionID":)" + quoted(kLongPlain)), R"(,"selectedWorkspaceID":)" + quoted(kLongPlain))},
        {workspace(task(R"(,"aiStatesByWorkspace":{"a":{"priority":"low","reasonText":)" + quoted(kLongPlain)
                        + R"(},"a":{"priority":"low","reasonText":"r","sourceTitle":"s"}})")), repeated("a")},
        {workspace(task(), R"(,"workspacePromptsByID":{"a":)" + quoted(kLongMixed) + R"(,"a":"short"})"), repeated("a")},
        {workspace(task(R"(,"title":)" + quoted(kLongMixed)), R"(,"defaultPromptOverride":)" + quoted(kLongPlain))},
        {workspace(task({}, quoted(kLongMixed)), R"(,"selectedWorkspaceID":5)"), "selectedWorkspaceID: expected a string"},
        {workspace(task({}, quoted(kLongMixed + "\xC3"))), kNotJson + "invalid UTF8 string"},
        {workspace(task({}, quoted(kLongMixed + "\\x\xF0\x9F"))), kNotJson + "invalid UTF8 string"},
        {"[\"" + kLongMixed, kNotJson + "unterminated string"},
        {"[\"" + kLongPlain + "\\", kNotJson + "unterminated string"},
        // Sections: kind, accent, the older per-section reminder.
        {R"({"sections":[{"id":"a","title":"A","kind":"custom","sortOrder":0,"reminder":{"scheduledAt":1}}],"tasks":[],"selectedWorkspaceID":"a"})"},
        {R"({"sections":[{"id":"a","title":"A","kind":"custom","sortOrder":0,"reminder":{"isDelivering":true}}],"tasks":[],"selectedWorkspaceID":"a"})",
         "sections[0].scheduledAt: missing"},
        {R"({"sections":[{"id":"a","title":"A","kind":"custom","sortOrder":0,"reminder":{"scheduledAt":1,"isDelivering":0}}],"tasks":[],"selectedWorkspaceID":"a"})",
         "sections[0].isDelivering: expected true or false"},
        {R"({"sections":[{"id":"a","title":"A","kind":"shared","sortOrder":0,"accent":"pink"}],"tasks":[],"selectedWorkspaceID":"a"})",
         "sections[0].kind: not a section kind"},
        {R"({"sections":[{"id":"a","title":"A","kind":"custom","accent":"pink"}],"tasks":[],"selectedWorkspaceID":"a"})",
         "sections[0].sortOrder: missing"},
        // A byte-order mark inside a string. QJsonDocument reads an unescaped
        // value as UTF-8 that may start with a mark, which is not text; once
        // the string holds an escape, every character is text. An enumerated
        // value matches only when its text is the raw value exactly. A key
        // keeps its mark for lookups, and loses it when a map is read; so an
        // unescaped mark before a key is no key of its own.
        {marked(workspace(task(R"(,"priority":"<BOM>high","aiStatesByWorkspace":{"a":{"priority":"<BOM>low","reasonText":"r","sourceTitle":"s"}})")))},
        {marked(R"({"sections":[{"id":"a","title":"A","kind":"<BOM>builtIn","sortOrder":0,"accent":"<BOM>red"}],"tasks":[],"selectedWorkspaceID":"a"})")},
        {R"({"sections":[{"id":"a","title":"A","kind":"\uFEFFbuiltIn","sortOrder":0}],"tasks":[],"selectedWorkspaceID":"a"})",
         "sections[0].kind: not a section kind"},
        {marked(R"({"sections":[{"id":"a","title":"A","kind":"<BOM><BOM>custom","sortOrder":0}],"tasks":[],"selectedWorkspaceID":"a"})"),
         "sections[0].kind: not a section kind"},
        {marked(R"({"sections":[{"id":"a","title":"A","kind":"<BOM>built\u0049n","sortOrder":0}],"tasks":[],"selectedWorkspaceID":"a"})"),
         "sections[0].kind: not a section kind"},
        {marked(R"({"sections":[{"id":"a","title":"A","kind":"custom","sortOrder":0,"accent":"r<BOM>ed"}],"tasks":[],"selectedWorkspaceID":"a"})"),
         "sections[0].accent: not an accent colour"},
        {marked(workspace(task(R"(,"priority":"<BOM>\u0068igh")"))), "tasks[0].priority: not a priority"},
        {marked(workspace(task(R"(,"<BOM>title":5,"<BOM>\u0074itle":6)"))), repeated("title")},
        {marked(workspace(task(R"(,"<BOM>\u0074itle":6,"\uFEFFtitle":5)"))), repeated("\xEF\xBB\xBFtitle")},
        {marked(workspace(R"({"<BOM>id":1,)" + task().mid(1))), repeated("id")},
        {marked(workspace(task(R"(,"<BOM><BOM>title":5,"\uFEFFtitle":6)"))), repeated("\xEF\xBB\xBFtitle")},
        {marked(workspace(task(R"(,"aiStatesByWorkspace":{"a":{"priority":"low","reasonText":"r","<BOM>sourceTitle":"s"}})"))),
         "tasks[0].sourceTitle: missing"},
        {marked(workspace(task(R"(,"sectionID":"<BOM>section.work")"), R"(,"workspacePromptsByID":{"<BOM>section.work":"p","<BOM>\u0061":"q"})"))},
        {marked(workspace(task(), R"(,"workspacePromptsByID":{"<BOM>a":"marked","a":"plain"})")), repeated("a")},
        {marked(workspace(task(), R"(,"workspacePromptsByID":{"a":"plain","<BOM>a":7})")), repeated("a")},
        {marked(workspace(task(), R"(,"workspacePromptsByID":{"\uFEFFa":"escaped","a":"plain","<BOM>b":"marked"})"))},
        {marked(workspace(task(R"(,"id":"<BOM>E621E1F8-C36C-495A-93FC-0C247A3E6E5F")", R"("<BOM><BOM>two marks")")))},
        {marked(workspace(task({}, R"("<BOM>mark, then\tan escape")")))},
        // The older form: a bare list of tasks.
        {"[]"},
        {"[" + task() + "," + task(R"(,"sortOrder":3)") + "]"},
        {"[" + task(R"(,"title":1)") + "," + task(R"(,"priority":1)") + "]", "tasks[0].title: expected a string"},
        {"[" + task(R"(,"title":1)") + ",3]", "tasks[1]: expected an object"},
    };
    for (const Case& c : cases) {
        const std::string difference = RecordReaderComparison::difference(c.bytes);
        EXPECT_EQ(difference, "") << c.bytes.toStdString();
        const auto reference = RecordReaderComparison::outcomeOf(WorkspaceRecordReader::readThroughTree, c.bytes);
        EXPECT_EQ(reference.failure, c.failure == "?" ? std::string() : c.failure) << c.bytes.toStdString();
    }
}

TEST(WorkspaceRecordReader, ReadsWhatTheStoreWritesBackExactly)
{
    TaskWorkspaceState state = TaskWorkspaceState::defaultState();
    state.workspacePromptsByID.insert(QStringLiteral("section.work"), QStringLiteral("Deadlines \"first\"\n"));
    state.defaultPromptOverride = QStringLiteral("Be brief");
    for (int i = 0; i < 50; ++i) {
        TaskItem t;
        t.id = QUuid::createUuid();
        t.title = QString::fromUtf8("Task \xF0\x9F\x98\x80 %1\t\\").arg(i);
        if (i == 1)
            t.title = QChar(0xfeff) + QStringLiteral("Marked"); // a leading mark is text only when escaped
        t.sectionID = state.sections[i % 4].id;
        t.createdAt = Date{700000000.0 + i * 0.1};
        t.sortOrder = i;
        if (i % 3 == 0)
            t.aiStatesByWorkspace.insert(kAllWorkspaceID, {TaskPriority::medium, QStringLiteral("why"), t.title});
        if (i % 4 == 0)
            t.reminder = TaskReminder{Date{-1e-300 * i}, i % 8 == 0};
        state.tasks.append(t);
    }
    const QByteArray bytes = UserDefaultsTaskStore::encode(state);
    EXPECT_EQ(RecordReaderComparison::difference(bytes), "");
    EXPECT_EQ(std::get<TaskWorkspaceState>(WorkspaceRecordReader::read(bytes)), state);
}

TEST(WorkspaceRecordReader, GivesBytesBackOnlyOnceTheyDecodeAndOnlyItsOwn)
{
    const QByteArray record = workspace(task({}, quoted(kLongMixed)));
    const TaskWorkspaceState expected = std::get<TaskWorkspaceState>(WorkspaceRecordReader::read(record));
    ASSERT_EQ(expected.tasks.first().title, QString::fromUtf8(kLongMixed));

    // Its own bytes: the record whole, then the bytes gone; `decoded` sees them whole.
    QByteArray own(record.constData(), record.size());
    bool sawWhole = false;
    EXPECT_EQ(std::get<TaskWorkspaceState>(WorkspaceRecordReader::readAndRelease(own, [&] { sawWhole = own == record; })),
              expected);
    EXPECT_TRUE(sawWhole);
    EXPECT_TRUE(own.isEmpty());

    // Shared bytes stay as they are for the other holder.
    QByteArray shared = record;
    EXPECT_EQ(std::get<TaskWorkspaceState>(WorkspaceRecordReader::readAndRelease(shared)), expected);
    EXPECT_EQ(record, workspace(task({}, quoted(kLongMixed))));

    // A failure leaves them whole, to be kept aside.
    const QByteArray failing = workspace(task({}, quoted(kLongMixed)), R"(,"selectedWorkspaceID":5)");
    QByteArray ownFailing(failing.constData(), failing.size());
    EXPECT_THROW(WorkspaceRecordReader::readAndRelease(ownFailing, [] { FAIL(); }), DecodingError);
    EXPECT_EQ(ownFailing, failing);
}
