#include "Panel/WorkspacePromptEditor.h"

#include "UI/PopoverFrame.h"
#include "Panel/PopoverButtonRow.h"
#include "UI/TemplateStyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

WorkspacePromptEditor::WorkspacePromptEditor(QWidget* parent) : QWidget(parent)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* card = new MaterialPopoverCard(320, this);
    outer->addWidget(card);

    m_title = new QLabel(QStringLiteral("Edit AI Prompt"), card);
    m_subtitle = new QLabel(card);
    m_subtitle->setTextFormat(Qt::PlainText);
    m_subtitle->setWordWrap(true);
    m_editor = new QPlainTextEdit(card);
    m_editor->setAccessibleName(QStringLiteral("AI prompt"));
    m_editor->setPlaceholderText(QStringLiteral("Example: Focus more on UI-related tasks first."));
    m_editor->setAccessibleDescription(m_editor->placeholderText());
    m_editor->setFixedSize(280, 110);
    m_editor->setTabChangesFocus(true);
    connect(m_editor, &QPlainTextEdit::textChanged, this, [this] {
        const QString text = m_editor->toPlainText();
        if (text != m_inputs.promptDraft.value())
            m_inputs.promptDraft.setValue(text);
    });

    QFont rowFont = TemplateStyle::font(m_inputs.configuration.typography.reasonFont);
    rowFont.setWeight(QFont::Medium);
    auto* row = new PopoverButtonRow(rowFont, card);
    row->addButton(QStringLiteral("Clear Custom Prompt"), [this] {
        if (m_callbacks.onReset)
            m_callbacks.onReset();
    });
    row->addStretch();
    row->addButton(QStringLiteral("Cancel"), [this] {
        if (m_callbacks.onCancel)
            m_callbacks.onCancel();
    });
    row->addButton(QStringLiteral("Save"), [this] {
        if (m_callbacks.onSave)
            m_callbacks.onSave();
    });

    card->addContent(m_title);
    card->addContent(m_subtitle);
    card->addContent(m_editor);
    card->addContent(row);
    setInputs(m_inputs);
}

void WorkspacePromptEditor::setInputs(const Inputs& inputs)
{
    m_inputs = inputs;
    const auto& typography = inputs.configuration.typography;
    QFont title = TemplateStyle::font(typography.taskFont);
    title.setWeight(QFont::DemiBold);
    m_title->setFont(title);
    m_subtitle->setFont(TemplateStyle::font(typography.reasonFont));
    m_subtitle->setText(QStringLiteral("Custom instructions for ") + inputs.workspaceTitle);
    m_editor->setFont(TemplateStyle::font(typography.reasonFont));
    const QString draft = inputs.promptDraft.value();
    if (m_editor->toPlainText() != draft) {
        const QSignalBlocker blocker(m_editor);
        m_editor->setPlainText(draft);
        m_editor->moveCursor(QTextCursor::End);
    }
}

void WorkspacePromptEditor::focusEditor()
{
    m_editor->setFocus(Qt::PopupFocusReason);
    m_editor->moveCursor(QTextCursor::End);
}
