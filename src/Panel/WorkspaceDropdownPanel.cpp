#include "Panel/WorkspaceDropdownPanel.h"

#include "Platform/Text.h"
#include "UI/HoverButton.h"
#include "UI/SymbolPainter.h"
#include "UI/TemplateStyle.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace {
// One action of the dropdown: symbol and title, tinted, with a hover fill.
class WorkspaceDropdownRow final : public HoverButton {
public:
    // Without a colour the row takes the label colour of the palette it is shown in.
    WorkspaceDropdownRow(const NotchTemplateConfiguration& configuration, const QString& title,
                         const QString& iconName, std::optional<QColor> accentColor, QWidget* parent)
        : HoverButton(parent), m_configuration(configuration), m_title(Text::displayPrefix(title)),
          m_iconName(iconName), m_accentColor(accentColor)
    {
        setAccessibleName(m_title);
        setFixedHeight(TemplateStyle::widgetExtent(configuration.layout.workspaceDropdownRowHeight));
    }

    QSize sizeHint() const override { return {160, height()}; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        if (isHovered()) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(TemplateStyle::withOpacity(SystemColors::selectedContentBackground(), 0.28));
            painter.drawRoundedRect(rect(), 6, 6);
        }
        const QColor color = m_accentColor.value_or(SystemColors::label(palette()));
        const double icon = std::max(0.0, m_configuration.layout.workspaceDropdownActionIconSize);
        const QRectF iconFrame(9, (height() - 18) / 2.0, 18, 18);
        SymbolPainter::paint(painter,
                             m_iconName,
                             QRectF(iconFrame.center().x() - icon / 2, iconFrame.center().y() - icon / 2, icon, icon),
                             color);
        painter.setPen(color);
        painter.setFont(TemplateStyle::systemFont(13));
        painter.drawText(QRectF(iconFrame.right() + 10, 0, width() - iconFrame.right() - 19, height()),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, m_title);
    }

private:
    NotchTemplateConfiguration m_configuration;
    QString m_title;
    QString m_iconName;
    std::optional<QColor> m_accentColor;
};

// A round section colour; the selected one wears a ring.
class WorkspaceAccentSwatchButton final : public HoverButton {
public:
    WorkspaceAccentSwatchButton(const NotchTemplateConfiguration& configuration, TaskSectionAccent accent,
                                bool isSelected, QWidget* parent)
        : HoverButton(parent), m_configuration(configuration), m_accent(accent)
    {
        setCheckable(true);
        setChecked(isSelected);
        setAccessibleName(WorkspaceDropdownPanel::swatchAccessibleName(accent));
        // Room for the ring drawn outside the swatch.
        const int side = TemplateStyle::widgetExtent(configuration.layout.workspaceDropdownSwatchSize + 10);
        setFixedSize(side, side);
    }

protected:
    // Clicking never toggles by itself: the owner decides and rebuilds.
    void nextCheckState() override {}
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const bool selected = isChecked();
        const double size = std::max(0.0, m_configuration.layout.workspaceDropdownSwatchSize);
        const double scale = selected ? 1.02 : (isHovered() ? 1.04 : 1);
        const QPointF centre = QRectF(rect()).center();
        painter.translate(centre);
        painter.scale(scale, scale);
        const QRectF circle(-size / 2, -size / 2, size, size);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 0, 41));
        painter.drawEllipse(circle.translated(0, 0.5));
        painter.setBrush(TemplateStyle::accentColor(m_configuration.appearance, m_accent));
        painter.drawEllipse(circle);
        if (!selected) {
            painter.setBrush(Qt::NoBrush);
            painter.setPen(QPen(TemplateStyle::withOpacity(SystemColors::separator(), isHovered() ? 0.8 : 0.45), 1));
            painter.drawEllipse(circle.adjusted(0.5, 0.5, -0.5, -0.5));
        } else {
            const double ring = std::max(0.0, m_configuration.layout.workspaceDropdownSwatchRingLineWidth);
            painter.setBrush(Qt::NoBrush);
            painter.setPen(QPen(QGuiApplication::palette().color(QPalette::Highlight), ring));
            painter.drawEllipse(circle.adjusted(-4 + ring / 2, -4 + ring / 2, 4 - ring / 2, 4 - ring / 2));
        }
    }

private:
    NotchTemplateConfiguration m_configuration;
    TaskSectionAccent m_accent;
};
} // namespace

WorkspaceDropdownPanel::WorkspaceDropdownPanel(QWidget* parent) : QWidget(parent)
{
    setAccessibleName(QStringLiteral("Section options"));
    rebuild();
}

QString WorkspaceDropdownPanel::swatchAccessibleName(TaskSectionAccent accent)
{
    QString name = TaskSectionAccents::rawValue(accent);
    if (!name.isEmpty())
        name[0] = name[0].toUpper();
    return name + QStringLiteral(" section color");
}

void WorkspaceDropdownPanel::setInputs(const Inputs& inputs)
{
    const bool same = m_built && inputs.workspaceAccent == m_inputs.workspaceAccent
        && inputs.canRename == m_inputs.canRename && inputs.canDelete == m_inputs.canDelete
        && inputs.configuration.layout == m_inputs.configuration.layout
        && inputs.configuration.appearance == m_inputs.configuration.appearance;
    m_inputs = inputs;
    if (!same)
        rebuild();
}

void WorkspaceDropdownPanel::rebuild()
{
    m_built = true;
    // A handful of small children: rebuilt whole on the rare change of what is offered.
    for (QObject* child : children())
        if (child->isWidgetType()) {
            // The clicked button may be among them: it goes on the next turn.
            static_cast<QWidget*>(child)->hide();
            child->deleteLater();
        }
    delete layout();
    m_emptyLabel = nullptr;

    const auto& layout = m_inputs.configuration.layout;
    const int padding = TemplateStyle::widgetExtent(layout.workspaceDropdownPadding);
    const int group = TemplateStyle::widgetExtent(layout.workspaceDropdownGroupPadding);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(padding, padding, padding, padding);
    outer->setSpacing(TemplateStyle::widgetExtent(layout.workspaceDropdownHeaderSpacing));
    setFixedWidth(TemplateStyle::widgetExtent(layout.workspaceDropdownWidth));

    if (!m_inputs.canRename && !m_inputs.canDelete) {
        auto* label = new QLabel(QStringLiteral("No actions available"), this);
        label->setAccessibleName(label->text());
        QFont font = TemplateStyle::font(m_inputs.configuration.typography.reasonFont);
        font.setWeight(QFont::Medium);
        label->setFont(font);
        label->setContentsMargins(group, group, group, group);
        m_emptyLabel = label;
        colourEmptyLabel();
        outer->addWidget(label);
        return;
    }

    auto* content = new QVBoxLayout;
    content->setContentsMargins(group, group - 1, group, group - 1);
    content->setSpacing(TemplateStyle::widgetExtent(layout.workspaceDropdownSectionSpacing));
    outer->addLayout(content);

    auto* rows = new QVBoxLayout;
    rows->setSpacing(TemplateStyle::widgetExtent(layout.workspaceDropdownRowSpacing));
    if (m_inputs.canRename) {
        auto* rename = new WorkspaceDropdownRow(m_inputs.configuration, QStringLiteral("Rename"),
                                                QStringLiteral("pencil"), std::nullopt, this);
        connect(rename, &QAbstractButton::clicked, this, [this] {
            if (m_callbacks.onRename)
                m_callbacks.onRename();
        });
        rows->addWidget(rename);
    }
    if (m_inputs.canDelete) {
        auto* remove = new WorkspaceDropdownRow(m_inputs.configuration, QStringLiteral("Delete Section"),
                                                QStringLiteral("trash"), SystemColors::red(), this);
        connect(remove, &QAbstractButton::clicked, this, [this] {
            if (m_callbacks.onDelete)
                m_callbacks.onDelete();
        });
        rows->addWidget(remove);
    }
    content->addLayout(rows);

    auto* divider = new QFrame(this);
    divider->setFixedHeight(1);
    divider->setAutoFillBackground(true);
    QPalette dividerPalette = divider->palette();
    dividerPalette.setColor(QPalette::Window, TemplateStyle::withOpacity(SystemColors::separator(), 0.72));
    divider->setPalette(dividerPalette);
    auto* dividerBox = new QVBoxLayout;
    dividerBox->setContentsMargins(0, 3, 0, 3);
    dividerBox->addWidget(divider);
    content->addLayout(dividerBox);

    auto* swatches = new QHBoxLayout;
    // The ring's room already spaces the swatches by 10; the rest is the template's spacing.
    swatches->setSpacing(std::max(0, TemplateStyle::widgetExtent(layout.workspaceDropdownSwatchSpacing) - 10));
    swatches->setContentsMargins(4, 1, 4, 1);
    for (const TaskSectionAccent accent : TaskSectionAccents::allCases) {
        const bool selected = m_inputs.workspaceAccent == accent;
        auto* swatch = new WorkspaceAccentSwatchButton(m_inputs.configuration, accent, selected, this);
        connect(swatch, &QAbstractButton::clicked, this, [this, accent, selected] {
            // The selected colour clicked again clears the section's colour.
            if (m_callbacks.onSelectAccent)
                m_callbacks.onSelectAccent(selected ? std::nullopt : std::optional(accent));
        });
        swatches->addWidget(swatch);
    }
    swatches->addStretch(1);
    content->addLayout(swatches);
}

void WorkspaceDropdownPanel::colourEmptyLabel()
{
    if (!m_emptyLabel)
        return;
    QPalette labelPalette = palette();
    labelPalette.setColor(QPalette::WindowText, SystemColors::secondaryLabel(palette()));
    m_emptyLabel->setPalette(labelPalette);
}

void WorkspaceDropdownPanel::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // Shown in a popover, the panel takes the popover's palette.
    if (event->type() == QEvent::PaletteChange)
        colourEmptyLabel();
}

void WorkspaceDropdownPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double radius = std::max(0.0, m_inputs.configuration.layout.workspaceDropdownCornerRadius);
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(TemplateStyle::withOpacity(palette().color(QPalette::Window), 0.58));
    painter.drawRoundedRect(bounds.adjusted(1, 1, -1, -1), radius, radius);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(TemplateStyle::withOpacity(SystemColors::separator(), 0.55), 1));
    painter.drawRoundedRect(bounds, radius, radius);
}
