#include "Sorting/TaskSortPrompts.h"

#include "Platform/Text.h"
#include "Model/TaskOrdering.h"

#include <QStringList>
#include <algorithm>

namespace {

// Blocks that the session instructions and the workspace prompt both carry.
const char* const kDecisionFactors =
    "Evaluate each task using these decision factors in order:\n"
    "1. Time sensitivity or deadline urgency\n"
    "2. Real-world consequences if delayed\n"
    "3. Health or appointment importance\n"
    "4. Financial urgency or penalties\n"
    "5. Family, relationship, or other human commitments";

const char* const kWhyExamples =
    "Good why examples:\n"
    "- Reply is time-sensitive\n"
    "- Payment deadline matters\n"
    "- Health appointment has scheduling urgency\n"
    "- Family commitment matters\n"
    "- Lower urgency than current priorities\n"
    "- Important task with moderate urgency\n"
    "Avoid vague filler like:\n"
    "- Important task\n"
    "- High priority\n"
    "- Needs focus\n"
    "- Should do soon";

const char* const kInstructionsOpening =
    "You classify user-written tasks for practical execution order.\n"
    "Use only the provided tasks and workspace context.\n"
    "Return exactly one result for each task index you receive.\n"
    "Preserve every task index exactly as given.\n"
    "Priorities are limited to high, medium, or low.\n"
    "Keep every why value compact but informative enough to explain the priority.\n"
    "Rank by real-world importance first, not by novelty or wording.\n"
    "High priority means urgent responsibilities, deadlines, time-sensitive follow-ups,\n"
    "commitments to other people, money, health, school, or work.\n"
    "Medium priority means useful or important tasks that matter, but are not urgent now.\n"
    "Low priority means optional, cosmetic, entertainment, leisure, or easily delayed tasks.\n";

const char* const kInstructionsMiddle =
    "\n"
    "When in doubt, prioritize obligations to other people over personal fun or aesthetic improvements.\n"
    "Tasks like games, hanging out, wallpaper changes, or other leisure/cosmetic activities should usually be low unless the text clearly says otherwise.\n"
    "Each why must name the actual priority driver, not just repeat the task.\n"
    "Every why must stay grounded in the task it explains.\n"
    "Never use a why that could describe a different task in the list.\n"
    "Never call a task cosmetic, leisure, optional, or aesthetic unless the task text actually says that.\n";

const char* const kInstructionsClosing =
    "\n"
    "\n"
    "If the workspace provides an extra prioritization instruction, treat it as a strong workspace-specific rule.\n"
    "Follow that rule for tasks of similar urgency.\n"
    "Only let explicit urgency, deadlines, blocking work, money, health, or other clearly critical obligations override it.";

const char* const kFactorsOpening =
    "\n"
    "\n"
    "Assign every task exactly one priority: high, medium, or low.\n"
    "Rank by real-world importance first, not by novelty or wording.\n";

const char* const kAllSections =
    "This workspace mixes tasks from multiple sections.\n"
    "Use each task's section label and section purpose as part of the prioritization.\n"
    "Keep cross-section obligations, deadlines, and time-sensitive commitments ahead of optional work from any single section.";

const char* const kRubric =
    "Use this priority rubric:\n"
    "- High: urgent responsibilities, deadlines, time-sensitive follow-ups, commitments to other people, money, health, school, or work.\n"
    "- Medium: useful or important tasks that matter, but are not urgent now.\n"
    "- Low: optional, cosmetic, entertainment, leisure, or easily delayed tasks.\n"
    "\n"
    "When in doubt, prioritize obligations to other people over personal fun or aesthetic improvements.\n"
    "Tasks like games, hanging out, wallpaper changes, or other leisure or cosmetic activities should usually be low unless the task text clearly says otherwise.";

const char* const kWhyGuidanceOpening =
    "Write one short why for each task.\n"
    "Each why must name the real priority driver in plain language, not just repeat the task.\n"
    "Every why must stay grounded in the specific task text.\n"
    "Never use an explanation that belongs to a different task.\n"
    "Never hallucinate unrelated labels like cosmetic, leisure, or optional unless the task actually describes that kind of work.\n";

const char* const kGlobalSuffix =
    "\n"
    "\n"
    "Treat this as the baseline behavior for every workspace unless a workspace-specific rule overrides it.";

const char* const kWorkspaceSuffix =
    "\n"
    "\n"
    "Treat this workspace instruction as a strong prioritization rule for this workspace.\n"
    "If it conflicts with the default rubric for tasks of similar urgency, follow the workspace instruction.\n"
    "Only override the workspace instruction when a task is explicitly urgent, time-sensitive, blocking, deadline-driven, money-related, health-related, or clearly critical.";

const char* const kFullTail =
    " items.\n"
    "Each item must use the same taskIndex from the list.\n"
    "Keep why to one short, logical phrase.\n"
    "Prioritize tasks according to the workspace prompt above.\n"
    "Each why should explain the real reason for the priority in plain language.\n"
    "Do not just restate the task or use generic filler.\n"
    "Evaluate tasks by deadline urgency, consequences of delay, health importance, financial urgency, and family commitments before lower-stakes preference signals.\n"
    "Every why must stay tied to the specific task it explains.\n"
    "Never use an unrelated explanation from another task.\n"
    "If the workspace prompt says to focus on a type of work first, apply that as a strong tie-breaker and ordering rule unless another task is explicitly urgent or critical.\n"
    "Example preference:\n"
    "- an explicitly urgent task should rank above an optional leisure task\n"
    "- a clearly critical obligation should rank above a cosmetic tweak\n"
    "- if the workspace prompt says \"focus more on UI-related task first\", rank UI tasks above backend or cosmetic alternatives unless the backend task is explicitly urgent or blocking\n"
    "Example why values:\n"
    "- Reply is time-sensitive\n"
    "- Payment deadline matters\n"
    "- Financial deadline has consequences\n"
    "- Family commitment matters\n"
    "- Lower urgency than current priorities\n"
    "- Important task with moderate urgency\n"
    "\n";

const char* const kCompactTail =
    " items using only taskIndex, priority, and one short logical why.\n"
    "If this is the All workspace, use the section labels on each task as workflow context.\n"
    "Treat the workspace prompt as a strong prioritization rule.\n"
    "Follow it for tasks of similar urgency, and only override it for explicit urgency, deadlines, blocking work, money, health, or other clearly critical obligations.\n"
    "Evaluate tasks by time sensitivity, consequences of delay, health importance, financial urgency, and family commitments.\n"
    "Make sure every why is specific to its task and never borrowed from another item.\n"
    "Make each why concrete and non-generic.\n"
    "\n";

QString text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QString count(const TaskList& tasks)
{
    return QString::number(tasks.size());
}

const QString& factorsText()
{
    static const QString factors = text(kFactorsOpening) + text(kDecisionFactors);
    return factors;
}

const QString& whyGuidance()
{
    static const QString guidance = text(kWhyGuidanceOpening) + text(kWhyExamples);
    return guidance;
}

// A stored prompt may be as long as anything typed; the model sees a bounded stretch of it.
QString promptText(const std::optional<QString>& prompt)
{
    return Text::trimmed(Text::displayPrefix(prompt.value_or(QString()), TaskSortPrompts::customPromptPrefixLength));
}

} // namespace

namespace TaskSortPrompts {

QString singleLine(const QString& title)
{
    QString line = Text::displayPrefix(title, titlePrefixLength);
    for (QChar& c : line) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    }
    return line;
}

QString instructions()
{
    static const QString instructions = text(kInstructionsOpening) + text(kDecisionFactors) + text(kInstructionsMiddle)
        + text(kWhyExamples) + text(kInstructionsClosing);
    return instructions;
}

QString workspacePrompt(const TaskSortContext& context)
{
    const QString title = singleLine(context.workspaceTitle);
    QStringList pieces;
    pieces << QStringLiteral("You are sorting tasks for the ") + title + QStringLiteral(" workspace.\nGoal: ")
            + context.workspacePurpose + factorsText();
    pieces << (context.isAllWorkspace ? text(kAllSections)
                                      : QStringLiteral("Stay consistent with the ") + title
                       + QStringLiteral(" workspace purpose above when deciding priority."));
    pieces << text(kRubric) << whyGuidance();
    const QString global = promptText(context.defaultCustomPrompt);
    if (!global.isEmpty())
        pieces << QStringLiteral("Global product instruction:\n") + global + text(kGlobalSuffix);
    const QString workspace = promptText(context.workspaceCustomPrompt);
    if (!workspace.isEmpty())
        pieces << QStringLiteral("Additional workspace instruction:\n") + workspace + text(kWorkspaceSuffix);
    return pieces.join(QStringLiteral("\n\n"));
}

QString sectionPrompts(const TaskSortContext& context)
{
    const QString none = QStringLiteral("Section-specific prompts: None");
    if (!context.isAllWorkspace)
        return none;
    QStringList ids = context.sectionTitlesByID.keys();
    std::stable_sort(ids.begin(), ids.end(), [&](const QString& a, const QString& b) {
        return TaskOrdering::sectionIDOrder(a, b, context.sectionTitlesByID);
    });
    QStringList blocks;
    for (const QString& id : ids) {
        const QString prompt = promptText(context.sectionCustomPromptsByID.value(id));
        if (!prompt.isEmpty())
            blocks << QStringLiteral("[") + singleLine(context.sectionTitlesByID.value(id)) + QStringLiteral("]\n")
                    + prompt;
    }
    if (blocks.isEmpty())
        return none;
    return QStringLiteral("Section-specific prompts:\n") + blocks.join(QStringLiteral("\n\n"));
}

QString taskLines(const TaskList& tasks, const TaskSortContext& context)
{
    QStringList lines;
    lines.reserve(tasks.size());
    for (qsizetype i = 0; i < tasks.size(); ++i) {
        const TaskItem& task = tasks.at(i);
        const QString number = QString::number(i + 1);
        if (context.isAllWorkspace) {
            const QString section = context.sectionTitlesByID.value(task.sectionID, QStringLiteral("Section"));
            const QString purpose = context.sectionPurposesByID.value(task.sectionID, context.workspacePurpose);
            lines << QStringLiteral("[") + number + QStringLiteral("] [") + singleLine(section) + QStringLiteral("] ")
                    + singleLine(task.title) + QStringLiteral(" \u2014 Section purpose: ") + purpose;
        } else {
            lines << QStringLiteral("[") + number + QStringLiteral("] ") + singleLine(task.title);
        }
    }
    return lines.join(QLatin1Char('\n'));
}

PromptPlan fullPlan(const TaskList& tasks, const TaskSortContext& context)
{
    return {QStringLiteral("Workspace title: ") + singleLine(context.workspaceTitle)
            + QStringLiteral("\nWorkspace purpose: ") + context.workspacePurpose
            + QStringLiteral("\nIs combined workspace: ")
            + (context.isAllWorkspace ? QStringLiteral("yes") : QStringLiteral("no"))
            + QStringLiteral("\nWorkspace prompt:\n") + workspacePrompt(context) + QStringLiteral("\n\n")
            + sectionPrompts(context) + QStringLiteral("\n\nClassify only these tasks.\nReturn exactly ")
            + count(tasks) + text(kFullTail) + taskLines(tasks, context)};
}

PromptPlan compactPlan(const TaskList& tasks, const TaskSortContext& context)
{
    return {QStringLiteral("Rank these tasks for the ") + singleLine(context.workspaceTitle)
            + QStringLiteral(" workspace.\nPurpose: ") + context.workspacePurpose
            + QStringLiteral("\nWorkspace prompt:\n") + workspacePrompt(context) + QStringLiteral("\n\n")
            + sectionPrompts(context) + QStringLiteral("\n\nReturn exactly ") + count(tasks) + text(kCompactTail)
            + taskLines(tasks, context)};
}

QList<PromptPlan> plans(const TaskList& tasks, const TaskSortContext& context)
{
    return {fullPlan(tasks, context), compactPlan(tasks, context)};
}

} // namespace TaskSortPrompts
