#include "Panel/PopoverEditor.h"

#include "UI/PopoverFrame.h"

PopoverEditor::PopoverEditor(QWidget* opener, QWidget* editor, std::function<void()> focusEditor)
    : m_focusEditor(std::move(focusEditor)),
      m_popover(new PopoverFrame(opener, Binding<bool>{[this] { return m_isShown.value(); },
                                                       [this](bool shown) { m_isShown.setValue(shown); }},
                                 PopoverEdge::Top))
{
    m_popover->setContent(editor);
}

PopoverEditor::~PopoverEditor()
{
    // Its opener may outlive this object; the popover reads through it.
    delete m_popover;
}

void PopoverEditor::setBindings(Binding<bool> isShown, Binding<QString> draft)
{
    m_isShown = std::move(isShown);
    m_draft = std::move(draft);
}

Binding<QString> PopoverEditor::draftBinding() const
{
    return {[this] { return m_draft.value(); }, [this](QString text) { m_draft.setValue(std::move(text)); }};
}

void PopoverEditor::open(const QString& draft)
{
    m_draft.setValue(draft);
    m_isShown.setValue(true);
}

void PopoverEditor::cancel(const QString& stored)
{
    m_draft.setValue(stored);
    m_isShown.setValue(false);
}

void PopoverEditor::save(const std::function<void(const QString&)>& onSave)
{
    const QString draft = m_draft.value();
    if (onSave)
        onSave(draft);
    m_isShown.setValue(false);
}

void PopoverEditor::sync()
{
    const bool wasShown = m_popover->isVisible();
    m_popover->sync();
    if (m_popover->isVisible() && !wasShown && m_focusEditor)
        m_focusEditor();
}
