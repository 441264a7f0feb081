#include "Panel/WorkspaceDropdownPanel.h"

#include "Platform/Text.h"
#include "UI/SymbolPainter.h"
#include "UI/TemplateStyle.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace {
Motion::Animation hoverAnimation()
{
    return Motion::Animation::timed(Motion::Curve::EaseOut, 0.16);
}

// Holds the swatch row's place in the layout; the swatches themselves overlap
// it, as their rings reach past the row's bounds.
class SwatchLane final : public QWidget {
public:
    SwatchLane(std::function<void(const QRect&)> onGeometry, QWidget* parent)
        : QWidget(parent), m_onGeometry(std::move(onGeometry))
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void moveEvent(QMoveEvent*) override { m_onGeometry(geometry()); }
    void resizeEvent(QResizeEvent*) override { m_onGeometry(geometry()); }

private:
    std::function<void(const QRect&)> m_onGeometry;
};

// Room around a swatch for its ring (4 outside, half the line) at the selected scale.
constexpr int swatchRingRoom = 6;
} // namespace

WorkspaceDropdownRow::WorkspaceDropdownRow(const NotchTemplateConfiguration& configuration, const QString& title,
                                           const QString& iconName, std::optional<QColor> accentColor,
                                           std::function<double()> clock, QWidget* parent)
    : HoverButton(parent), m_configuration(configuration), m_title(Text::displayPrefix(title)), m_iconName(iconName),
      m_accentColor(accentColor), m_clock(std::move(clock)),
      m_animator([this] { update(); },
                 [this] {
                     m_hover.value(m_clock());
                     return m_hover.isMoving();
                 })
{
    setAccessibleName(m_title);
    setFixedHeight(TemplateStyle::widgetExtent(configuration.layout.workspaceDropdownRowHeight));
}

double WorkspaceDropdownRow::highlightOpacity() const
{
    return 0.28 * std::clamp(m_hover.value(m_clock()), 0.0, 1.0);
}

void WorkspaceDropdownRow::enterEvent(QEnterEvent* event)
{
    HoverButton::enterEvent(event);
    hoverChanged();
}

void WorkspaceDropdownRow::leaveEvent(QEvent* event)
{
    HoverButton::leaveEvent(event);
    hoverChanged();
}

void WorkspaceDropdownRow::hoverChanged()
{
    m_hover.setTarget(isHovered() ? 1 : 0, hoverAnimation(), m_clock());
    m_animator.start();
}

void WorkspaceDropdownRow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double highlight = highlightOpacity();
    if (highlight > 0) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(TemplateStyle::withOpacity(SystemColors::selectedContentBackground(), highlight));
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

WorkspaceAccentSwatchButton::WorkspaceAccentSwatchButton(const NotchTemplateConfiguration& configuration,
                                                         TaskSectionAccent accent, bool isSelected,
                                                         std::function<double()> clock, QWidget* parent)
    : HoverButton(parent), m_configuration(configuration), m_accent(accent), m_clock(std::move(clock)),
      m_animator([this] { update(); }, [this] { return isMoving(); })
{
    setCheckable(true);
    setChecked(isSelected);
    m_selection.jumpTo(isSelected ? 1 : 0);
    setAccessibleName(WorkspaceDropdownPanel::swatchAccessibleName(accent));
    const int side = TemplateStyle::widgetExtent(configuration.layout.workspaceDropdownSwatchSize + 2 * swatchRingRoom);
    setFixedSize(side, side);
}

void WorkspaceAccentSwatchButton::setSelected(bool selected, bool animated)
{
    if (selected == isChecked())
        return;
    setChecked(selected);
    if (animated) {
        m_selection.setTarget(selected ? 1 : 0, Motion::Animation::spring(0.24, 0.82), m_clock());
        m_animator.start();
    } else {
        m_selection.jumpTo(selected ? 1 : 0);
    }
    update();
}

bool WorkspaceAccentSwatchButton::isMoving() const
{
    const double now = m_clock();
    m_hover.value(now);
    m_selection.value(now);
    return m_hover.isMoving() || m_selection.isMoving();
}

double WorkspaceAccentSwatchButton::scale() const
{
    const double now = m_clock();
    const double hover = std::clamp(m_hover.value(now), 0.0, 1.0);
    const double selection = m_selection.value(now);
    return (1 - selection) * (1 + 0.04 * hover) + selection * 1.02;
}

double WorkspaceAccentSwatchButton::ringLineWidth() const
{
    return std::max(0.0, m_selection.value(m_clock()))
        * std::max(0.0, m_configuration.layout.workspaceDropdownSwatchRingLineWidth);
}

double WorkspaceAccentSwatchButton::borderOpacity() const
{
    const double now = m_clock();
    const double hover = std::clamp(m_hover.value(now), 0.0, 1.0);
    const double selection = std::clamp(m_selection.value(now), 0.0, 1.0);
    return (1 - selection) * (0.45 + 0.35 * hover);
}

void WorkspaceAccentSwatchButton::enterEvent(QEnterEvent* event)
{
    HoverButton::enterEvent(event);
    m_hover.setTarget(1, hoverAnimation(), m_clock());
    m_animator.start();
}

void WorkspaceAccentSwatchButton::leaveEvent(QEvent* event)
{
    HoverButton::leaveEvent(event);
    m_hover.setTarget(0, hoverAnimation(), m_clock());
    m_animator.start();
}

void WorkspaceAccentSwatchButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double size = std::max(0.0, m_configuration.layout.workspaceDropdownSwatchSize);
    const double factor = scale();
    const QPointF centre = QRectF(rect()).center();
    painter.translate(centre);
    painter.scale(factor, factor);
    const QRectF circle(-size / 2, -size / 2, size, size);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 41));
    painter.drawEllipse(circle.translated(0, 0.5));
    painter.setBrush(TemplateStyle::accentColor(m_configuration.appearance, m_accent));
    painter.drawEllipse(circle);
    painter.setBrush(Qt::NoBrush);
    if (const double border = borderOpacity(); border > 0) {
        painter.setPen(QPen(TemplateStyle::withOpacity(SystemColors::separator(), border), 1));
        painter.drawEllipse(circle.adjusted(0.5, 0.5, -0.5, -0.5));
    }
    if (const double ring = ringLineWidth(); ring > 0) {
        painter.setPen(QPen(QGuiApplication::palette().color(QPalette::Highlight), ring));
        painter.drawEllipse(circle.adjusted(-4 + ring / 2, -4 + ring / 2, 4 - ring / 2, 4 - ring / 2));
    }
}

WorkspaceDropdownPanel::WorkspaceDropdownPanel(QWidget* parent, std::function<double()> clock)
    : QWidget(parent), m_clock(std::move(clock))
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
    const bool same = m_built && inputs.canRename == m_inputs.canRename && inputs.canDelete == m_inputs.canDelete
        && inputs.configuration.layout == m_inputs.configuration.layout
        && inputs.configuration.appearance == m_inputs.configuration.appearance;
    m_inputs = inputs;
    if (!same) {
        rebuild();
        return;
    }
    // A new colour keeps the swatches, so that the selection can move between them.
    for (WorkspaceAccentSwatchButton* swatch : m_swatches)
        swatch->setSelected(inputs.workspaceAccent == swatch->accent(), isVisible());
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
    m_swatches.clear();

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
                                                QStringLiteral("pencil"), std::nullopt, m_clock, this);
        connect(rename, &QAbstractButton::clicked, this, [this] {
            if (m_callbacks.onRename)
                m_callbacks.onRename();
        });
        rows->addWidget(rename);
    }
    if (m_inputs.canDelete) {
        auto* remove = new WorkspaceDropdownRow(m_inputs.configuration, QStringLiteral("Delete Section"),
                                                QStringLiteral("trash"), SystemColors::red(), m_clock, this);
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

    const double swatch = std::max(0.0, layout.workspaceDropdownSwatchSize);
    const double pitch = swatch + std::max(0.0, layout.workspaceDropdownSwatchSpacing);
    auto* lane = new SwatchLane([this](const QRect& geometry) { placeSwatches(geometry); }, this);
    lane->setFixedHeight(TemplateStyle::widgetExtent(swatch + 2));
    lane->setMinimumWidth(TemplateStyle::widgetExtent(8 + swatch + pitch * (TaskSectionAccents::allCases.size() - 1)));
    for (const TaskSectionAccent accent : TaskSectionAccents::allCases) {
        auto* button = new WorkspaceAccentSwatchButton(m_inputs.configuration, accent,
                                                       m_inputs.workspaceAccent == accent, m_clock, this);
        connect(button, &QAbstractButton::clicked, this, [this, accent] {
            // The selected colour clicked again clears the section's colour.
            if (m_callbacks.onSelectAccent)
                m_callbacks.onSelectAccent(m_inputs.workspaceAccent == accent ? std::nullopt : std::optional(accent));
        });
        // Outside the layout, so shown here (a layout shows what it is given).
        button->show();
        m_swatches.append(button);
    }
    content->addWidget(lane);
}

void WorkspaceDropdownPanel::placeSwatches(const QRect& lane)
{
    // Padded 4 and 1; centres one swatch and one spacing apart, however much room the rings take.
    const auto& layout = m_inputs.configuration.layout;
    const double swatch = std::max(0.0, layout.workspaceDropdownSwatchSize);
    const double pitch = swatch + std::max(0.0, layout.workspaceDropdownSwatchSpacing);
    for (int i = 0; i < m_swatches.size(); ++i) {
        WorkspaceAccentSwatchButton* button = m_swatches[i];
        const QPointF centre(lane.left() + 4 + swatch / 2 + pitch * i, lane.top() + 1 + swatch / 2);
        button->move(int(std::lround(centre.x() - button->width() / 2.0)),
                     int(std::lround(centre.y() - button->height() / 2.0)));
        button->raise();
    }
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
