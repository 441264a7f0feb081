#include "Panel/WorkspaceRenameEditor.h"

#include "Panel/PopoverButtonRow.h"
#include "UI/PopoverFrame.h"
#include "UI/TemplateStyle.h"

#include <QAbstractButton>
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
    QAbstractButton* cancel = row->addButton(QStringLiteral("Cancel"), [this] {
        if (m_callbacks.onCancel)
            m_callbacks.onCancel();
    });
    cancel->setAccessibleDescription(QStringLiteral("Keeps the section's name"));
    QAbstractButton* save = row->addButton(QStringLiteral("Save"), [this] { this->save(); });
    save->setAccessibleDescription(QStringLiteral("Renames the section"));

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
    m_field->setAccessibleDescription(QStringLiteral("Current name: ") + inputs.workspaceTitle);
    const QString draft = inputs.renameDraft.value();
    if (m_field->text() != draft)
        m_field->setText(draft);
}

void WorkspaceRenameEditor::focusField()
{
    m_field->setFocus(Qt::PopupFocusReason);
    m_field->selectAll();
}
