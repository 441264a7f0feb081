#include "Panel/AddTaskRow.h"

#include "Panel/TransparentTaskTextField.h"
#include "UI/SymbolPainter.h"
#include "UI/TemplateStyle.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

AddTaskRow::AddTaskRow(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_NoSystemBackground);
    setObjectName(QStringLiteral("add-task-row"));
    m_field = new TransparentTaskTextField(this);
    m_field->setAccessibleName(QStringLiteral("New task"));
    m_field->setAccessibleDescription(QStringLiteral("Type a task name and press Return to save it."));
    m_field->setTextMargins(12, 0, 12, 0);
}

void AddTaskRow::setInputs(Inputs inputs)
{
    // A keystroke repaints the field alone; the row's own look seldom changes.
    const bool repaint = inputs.accent != m_inputs.accent || inputs.configuration != m_inputs.configuration;
    m_inputs = std::move(inputs);
    const auto& appearance = m_inputs.configuration.appearance;
    // The placeholder names the section new tasks go to; the field's own
    // description is taken by the hint, so the row carries those words.
    if (accessibleName() != m_inputs.placeholder)
        setAccessibleName(m_inputs.placeholder);
    TransparentTaskTextField::Inputs field;
    field.text = m_inputs.draftTask;
    field.placeholder = m_inputs.placeholder;
    field.textColor = TemplateStyle::withOpacity(TemplateStyle::color(appearance.primaryTextColor), 0.95);
    field.placeholderColor = TemplateStyle::withOpacity(TemplateStyle::color(appearance.secondaryTextColor), 0.9);
    field.font = TemplateStyle::systemFont(17, QFont::DemiBold);
    field.isFocused = m_inputs.isFocused;
    field.onSubmit = m_inputs.onSubmit;
    m_field->setInputs(field);
    placeField();
    if (repaint)
        update();
}

void AddTaskRow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeField();
}

void AddTaskRow::paintEvent(QPaintEvent*)
{
    const auto& appearance = m_inputs.configuration.appearance;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF fieldRect = m_field->geometry();
    const double radius = appearance.inputCornerRadius;
    QPainterPath fill;
    fill.addRoundedRect(fieldRect, radius, radius);
    painter.fillPath(fill, TemplateStyle::color(appearance.inputFillColor));
    const double inset = m_inputs.configuration.layout.sidebarContentHorizontalInset;
    const QRectF plus(inset, (height() - kPlusSide) / 2, kPlusSide, kPlusSide);
    SymbolPainter::paint(painter, QStringLiteral("plus"), plus,
                         TemplateStyle::accentColor(appearance, m_inputs.accent, appearance.highPriorityColor));
}

void AddTaskRow::placeField()
{
    const auto& layout = m_inputs.configuration.layout;
    const double inset = layout.sidebarContentHorizontalInset;
    const int x = int(std::lround(inset + kPlusSide + kSpacing));
    // The trailing spacer (minimum 0) still has its spacing before it.
    const int w = std::max(0, int(std::lround(width() - x - kSpacing - inset)));
    m_field->setGeometry(x, 0, w, height());
}
