#include "Panel/WorkspacePromptEditor.h"

#include "UI/PopoverFrame.h"
#include "Panel/PopoverButtonRow.h"
#include "UI/TemplateStyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The multi-line text area, clipped to a rounded rectangle: its fill is drawn
// antialiased, and a widget mask keeps the text, the selection and the
// scroll bar out of the corners.
class RoundedTextEdit final : public QPlainTextEdit {
public:
    explicit RoundedTextEdit(QWidget* parent) : QPlainTextEdit(parent)
    {
        setFrameShape(QFrame::NoFrame);
        viewport()->setAutoFillBackground(false);
    }

    void setCornerRadius(double radius)
    {
        if (radius == m_radius)
            return;
        m_radius = radius;
        updateShape();
    }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QPlainTextEdit::resizeEvent(event);
        updateShape();
    }
    void paintEvent(QPaintEvent* event) override
    {
        {
            QPainter painter(viewport());
            painter.setRenderHint(QPainter::Antialiasing);
            painter.fillPath(outline().translated(-viewport()->pos()), palette().brush(QPalette::Base));
        }
        QPlainTextEdit::paintEvent(event);
    }

private:
    QPainterPath outline() const
    {
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()), m_radius, m_radius);
        return path;
    }
    void updateShape()
    {
        setMask(PopoverFrame::shapeRegion(outline(), size()));
        viewport()->update();
    }

    double m_radius = 0;
};

} // namespace

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
    m_editor = new RoundedTextEdit(card);
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
    static_cast<RoundedTextEdit*>(m_editor)->setCornerRadius(inputs.configuration.appearance.buttonCornerRadius);
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
