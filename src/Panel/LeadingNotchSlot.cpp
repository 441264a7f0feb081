#include "Panel/LeadingNotchSlot.h"

#include "Panel/AISortButton.h"
#include "Panel/PopoverEditor.h"
#include "UI/TemplateStyle.h"
#include "Panel/WorkspacePromptEditor.h"

#include <QHBoxLayout>

LeadingNotchSlot::LeadingNotchSlot(QWidget* parent)
    : QWidget(parent), m_aiSort(new AISortButton(this)), m_promptButton(new NotchSlotButton(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_aiSort, 0, Qt::AlignVCenter);
    layout->addWidget(m_promptButton, 0, Qt::AlignVCenter);
    layout->addStretch(1);

    m_promptButton->setSymbol(QStringLiteral("pencil"));
    m_promptButton->setAccessibleName(QStringLiteral("Edit AI Prompt"));
    m_aiSort->setAction([this] {
        if (m_callbacks.onAISort)
            m_callbacks.onAISort();
    });
    connect(m_promptButton, &QAbstractButton::clicked, this, [this] {
        // Opening always starts from the stored prompt.
        m_promptEditor->setDraft(m_inputs.currentWorkspacePrompt);
        m_promptEditor->setShown(!m_promptEditor->isShown());
    });

    m_editor = new WorkspacePromptEditor;
    m_promptEditor = std::make_unique<PopoverEditor>(m_promptButton, m_editor, [this] { m_editor->focusEditor(); });
    m_editor->setCallbacks({
        .onCancel = [this] { m_promptEditor->cancel(m_inputs.currentWorkspacePrompt); },
        .onReset = [this] { m_promptEditor->setDraft(QString()); },
        .onSave = [this] { m_promptEditor->save(m_callbacks.onSavePromptOverride); },
    });
    setInputs(m_inputs);
}

LeadingNotchSlot::~LeadingNotchSlot() = default;

void LeadingNotchSlot::setInputs(const Inputs& inputs)
{
    m_inputs = inputs;
    const auto& configuration = inputs.configuration;
    auto* layout = static_cast<QHBoxLayout*>(this->layout());
    layout->setContentsMargins(TemplateStyle::widgetExtent(configuration.layout.sidebarContentHorizontalInset), 0, 0,
                               0);
    layout->setSpacing(TemplateStyle::widgetExtent(configuration.layout.notchControlGroupSpacing));

    std::optional<QColor> accent;
    if (inputs.workspaceAccent)
        accent = TemplateStyle::accentColor(configuration.appearance, *inputs.workspaceAccent);
    m_aiSort->setInputs(
        {configuration, inputs.isSorting, inputs.hasCompletedOnboarding, accent, inputs.aiTaskRankingEnabled});
    m_promptButton->setConfiguration(configuration);
    m_promptButton->setEnabled(!inputs.isSorting && inputs.hasCompletedOnboarding);

    m_promptEditor->setBindings(inputs.isShowingPromptEditor, inputs.promptDraft);
    m_editor->setInputs({configuration, inputs.currentWorkspaceTitle, m_promptEditor->draftBinding()});
    m_promptEditor->sync();
}

PopoverFrame* LeadingNotchSlot::promptPopover() const
{
    return m_promptEditor->popover();
}
