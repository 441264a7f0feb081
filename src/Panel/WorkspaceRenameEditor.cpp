#include "Panel/WorkspaceRenameEditor.h"

#include "Panel/PopoverButtonRow.h"
#include "UI/PopoverFrame.h"
#include "UI/TemplateStyle.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

WorkspaceRenameEditor::WorkspaceRenameEditor(QWidget* parent) : QWidget(parent)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* card = new MaterialPopoverCard(280, this);
    outer->addWidget(card);

    m_title = new QLabel(QStringLiteral("Rename Section"), card);
    m_field = new QLineEdit(card);
    m_field->setAccessibleName(QStringLiteral("Section name"));
    connect(m_field, &QLineEdit::textEdited, this, [this](const QString& text) { m_inputs.renameDraft.setValue(text); });
    connect(m_field, &QLineEdit::returnPressed, this, [this] { save(); });

    QFont rowFont = TemplateStyle::font(m_inputs.configuration.typography.reasonFont);
    rowFont.setWeight(QFont::Medium);
    auto* row = new PopoverButtonRow(rowFont, card);
    row->addStretch();
    row->addButton(QStringLiteral("Cancel"), [this] {
        if (m_callbacks.onCancel)
            m_callbacks.onCancel();
    });
    row->addButton(QStringLiteral("Save"), [this] { save(); });

    card->addContent(m_title);
    card->addContent(m_field);
    card->addContent(row);
    setInputs(m_inputs);
}

void WorkspaceRenameEditor::save()
{
    if (m_callbacks.onSave)
        m_callbacks.onSave();
}

void WorkspaceRenameEditor::setInputs(const Inputs& inputs)
{
    m_inputs = inputs;
    QFont title = TemplateStyle::font(inputs.configuration.typography.taskFont);
    title.setWeight(QFont::DemiBold);
    m_title->setFont(title);
    m_field->setPlaceholderText(inputs.workspaceTitle);
    const QString draft = inputs.renameDraft.value();
    if (m_field->text() != draft)
        m_field->setText(draft);
}

void WorkspaceRenameEditor::focusField()
{
    m_field->setFocus(Qt::PopupFocusReason);
    m_field->selectAll();
}
