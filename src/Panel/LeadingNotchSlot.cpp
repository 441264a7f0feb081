#include "Panel/LeadingNotchSlot.h"

#include "Panel/AISortButton.h"
#include "UI/PopoverFrame.h"
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
        m_inputs.promptDraft.setValue(m_inputs.currentWorkspacePrompt);
        m_inputs.isShowingPromptEditor.setValue(!m_inputs.isShowingPromptEditor.value());
    });

    m_editor = new WorkspacePromptEditor;
    m_editor->setCallbacks({
        .onCancel =
            [this] {
                m_inputs.promptDraft.setValue(m_inputs.currentWorkspacePrompt);
                m_inputs.isShowingPromptEditor.setValue(false);
            },
        .onReset = [this] { m_inputs.promptDraft.setValue(QString()); },
        .onSave =
            [this] {
                const QString draft = m_inputs.promptDraft.value();
                if (m_callbacks.onSavePromptOverride)
                    m_callbacks.onSavePromptOverride(draft);
                m_inputs.isShowingPromptEditor.setValue(false);
            },
    });
    // The popover reads the binding through this slot, so it always sees the latest one.
    m_popover = new PopoverFrame(
        m_promptButton, Binding<bool>{[this] { return m_inputs.isShowingPromptEditor.value(); },
                                      [this](bool shown) { m_inputs.isShowingPromptEditor.setValue(shown); }},
        PopoverEdge::Top);
    m_popover->setContent(m_editor);
    setInputs(m_inputs);
}

LeadingNotchSlot::~LeadingNotchSlot()
{
    delete m_popover;
}

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

    m_editor->setInputs({configuration, inputs.currentWorkspaceTitle,
                         Binding<QString>{[this] { return m_inputs.promptDraft.value(); },
                                          [this](QString text) { m_inputs.promptDraft.setValue(std::move(text)); }}});
    const bool wasShown = m_popover->isVisible();
    m_popover->sync();
    if (m_popover->isVisible() && !wasShown)
        m_editor->focusEditor();
}
