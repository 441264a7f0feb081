#include "Panel/SectionWorkspaceBarView.h"

#include "Platform/Text.h"
#include "UI/SymbolPainter.h"
#include "UI/TemplateStyle.h"

#include <QAbstractButton>
#include <QFontMetricsF>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>
#include <cmath>

namespace {
Motion::Animation composerAnimation()
{
    return Motion::Animation::spring(0.28, 0.86);
}

// Scales the painter about the widget's centre.
void scaleAboutCentre(QPainter& painter, const QWidget& widget, double scale)
{
    const QPointF centre = QRectF(widget.rect()).center();
    painter.translate(centre);
    painter.scale(scale, scale);
    painter.translate(-centre);
}

// One workspace: its title, in the section colour when selected. The title is
// painted, never set as button text, so an ampersand stays an ampersand.
class SectionWorkspaceTabButton final : public QAbstractButton {
public:
    explicit SectionWorkspaceTabButton(QWidget* parent) : QAbstractButton(parent)
    {
        setFocusPolicy(Qt::NoFocus);
        setCursor(Qt::ArrowCursor);
    }

    void setTab(const NotchTemplateConfiguration& configuration, const QString& title, bool isSelected,
                std::optional<TaskSectionAccent> accent)
    {
        const auto& appearance = configuration.appearance;
        const QColor color = isSelected ? TemplateStyle::accentColor(appearance, accent, appearance.primaryTextColor)
                                        : TemplateStyle::withOpacity(TemplateStyle::color(appearance.secondaryTextColor), 0.92);
        const QFont font = TemplateStyle::font(configuration.typography.sectionChipFont);
        const int height = TemplateStyle::widgetExtent(configuration.layout.sectionTabLabelLaneHeight);
        // A section name is user text: a bounded prefix of it is all a tab can show.
        const QString shown = Text::displayPrefix(title);
        if (shown == m_title && color == m_color && font == m_font && height == m_height && isSelected == m_selected)
            return;
        m_title = shown;
        m_color = color;
        m_font = font;
        m_height = height;
        m_selected = isSelected;
        setAccessibleName(shown);
        setFixedSize(int(std::ceil(QFontMetricsF(font).horizontalAdvance(shown))), height);
        update();
    }

    bool isSelectedTab() const { return m_selected; }
    QColor textColor() const { return m_color; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setFont(m_font);
        painter.setPen(m_color);
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, m_title);
    }

private:
    QString m_title;
    QColor m_color;
    QFont m_font;
    int m_height = 0;
    bool m_selected = false;
};

// The plus / close symbol after the last tab.
class InlineSectionAccessoryButton final : public QAbstractButton {
public:
    explicit InlineSectionAccessoryButton(QWidget* parent) : QAbstractButton(parent)
    {
        setFocusPolicy(Qt::NoFocus);
        setCursor(Qt::ArrowCursor);
    }

    void setState(const NotchTemplateConfiguration& configuration, bool isAdding)
    {
        m_configuration = configuration;
        m_symbol = isAdding ? QStringLiteral("xmark") : QStringLiteral("plus");
        setAccessibleName(isAdding ? QStringLiteral("Cancel custom section") : QStringLiteral("Add custom section"));
        const int side = TemplateStyle::widgetExtent(configuration.layout.sectionTabAccessorySize);
        setFixedSize(side, side);
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        scaleAboutCentre(painter, *this, isDown() ? 0.92 : 1);
        const QColor color = TemplateStyle::withOpacity(
            TemplateStyle::color(m_configuration.appearance.secondaryTextColor), isDown() ? 0.7 : 0.9);
        const QRectF symbol(QRectF(rect()).center() - QPointF(5.5, 5.5), QSizeF(11, 11));
        SymbolPainter::paint(painter, m_symbol, symbol, color, QFont::DemiBold);
    }

private:
    NotchTemplateConfiguration m_configuration = NotchTemplateConfiguration::defaults();
    QString m_symbol;
};

// "Add": a capsule behind its label, slightly shrunk while pressed.
class SectionWorkspaceAccessoryButton final : public QAbstractButton {
public:
    explicit SectionWorkspaceAccessoryButton(QWidget* parent) : QAbstractButton(parent)
    {
        setAccessibleName(QStringLiteral("Add"));
        setFocusPolicy(Qt::NoFocus);
        setCursor(Qt::ArrowCursor);
    }

    void setConfiguration(const NotchTemplateConfiguration& configuration)
    {
        m_configuration = configuration;
        const QFont font = TemplateStyle::font(configuration.typography.sectionChipFont);
        const int width = int(std::ceil(QFontMetricsF(font).horizontalAdvance(QStringLiteral("Add")))) + 24;
        setFixedSize(width, 26);
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const auto& appearance = m_configuration.appearance;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        if (!isEnabled())
            painter.setOpacity(0.45);
        scaleAboutCentre(painter, *this, isDown() ? 0.96 : 1);
        const QRectF capsule = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        painter.setBrush(TemplateStyle::color(appearance.buttonFillColor));
        painter.setPen(QPen(TemplateStyle::color(appearance.buttonBorderColor), 1));
        painter.drawRoundedRect(capsule, capsule.height() / 2, capsule.height() / 2);
        painter.setPen(TemplateStyle::withOpacity(TemplateStyle::color(appearance.primaryTextColor), isDown() ? 0.8 : 0.95));
        painter.setFont(TemplateStyle::font(m_configuration.typography.sectionChipFont));
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, QStringLiteral("Add"));
    }

private:
    NotchTemplateConfiguration m_configuration = NotchTemplateConfiguration::defaults();
};

// The wheel scrolls the strip sideways whichever way it turns.
class HorizontalStrip final : public QScrollArea {
public:
    explicit HorizontalStrip(QWidget* parent) : QScrollArea(parent)
    {
        setFrameShape(QFrame::NoFrame);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setWidgetResizable(false);
        setFocusPolicy(Qt::NoFocus);
        viewport()->setAutoFillBackground(false);
        setStyleSheet(QStringLiteral("background: transparent;"));
    }

protected:
    void wheelEvent(QWheelEvent* event) override
    {
        const QPoint pixels = event->pixelDelta();
        const QPoint angle = event->angleDelta();
        int delta = 0;
        if (!pixels.isNull())
            delta = std::abs(pixels.x()) > std::abs(pixels.y()) ? pixels.x() : pixels.y();
        else
            delta = (std::abs(angle.x()) > std::abs(angle.y()) ? angle.x() : angle.y()) / 4;
        QScrollBar* bar = horizontalScrollBar();
        bar->setValue(bar->value() - delta);
        event->accept();
    }
};
} // namespace

// The inline composer for a new section's title.
class SectionComposerRow final : public QWidget {
public:
    explicit SectionComposerRow(QWidget* parent)
        : QWidget(parent), field(new QLineEdit(this)), add(new SectionWorkspaceAccessoryButton(this))
    {
        field->setPlaceholderText(QStringLiteral("New section"));
        field->setAccessibleName(QStringLiteral("New section"));
        field->setFrame(false);
        field->setAttribute(Qt::WA_MacShowFocusRect, false);
        field->setStyleSheet(QStringLiteral("background: transparent; border: none;"));
        auto* layout = new QHBoxLayout(this);
        layout->setSpacing(10);
        layout->addWidget(field, 1);
        layout->addWidget(add, 0, Qt::AlignVCenter);
    }

    void setConfiguration(const NotchTemplateConfiguration& configuration)
    {
        m_configuration = configuration;
        const int inset = TemplateStyle::widgetExtent(configuration.layout.sidebarContentHorizontalInset);
        layout()->setContentsMargins(inset, 0, inset, 0);
        field->setFont(TemplateStyle::font(configuration.typography.inputFont));
        QPalette palette = field->palette();
        palette.setColor(QPalette::Text, TemplateStyle::color(configuration.appearance.primaryTextColor));
        palette.setColor(QPalette::PlaceholderText,
                         TemplateStyle::color(configuration.appearance.secondaryTextColor));
        field->setPalette(palette);
        add->setConfiguration(configuration);
        update();
    }

    QLineEdit* field;
    SectionWorkspaceAccessoryButton* add;

protected:
    void paintEvent(QPaintEvent*) override
    {
        const auto& appearance = m_configuration.appearance;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        const double radius = std::min(appearance.buttonCornerRadius, bounds.height() / 2);
        painter.setBrush(TemplateStyle::color(appearance.buttonFillColor));
        painter.setPen(QPen(TemplateStyle::color(appearance.buttonBorderColor), 1));
        painter.drawRoundedRect(bounds, radius, radius);
    }

private:
    NotchTemplateConfiguration m_configuration = NotchTemplateConfiguration::defaults();
};

SectionWorkspaceBarView::SectionWorkspaceBarView(QWidget* parent, std::function<double()> clock)
    : QWidget(parent),
      m_clock(std::move(clock)),
      m_strip(new HorizontalStrip(this)),
      m_stripContent(new QWidget),
      m_accessory(new InlineSectionAccessoryButton(m_stripContent)),
      m_composer(new SectionComposerRow(this)),
      m_animator([this] { frame(); }, [this] { return isAnimating(); })
{
    setAccessibleName(QStringLiteral("Workspaces"));
    m_stripContent->setAttribute(Qt::WA_TranslucentBackground);
    auto* row = new QHBoxLayout(m_stripContent);
    row->setContentsMargins(0, 0, 2, 0);
    row->addWidget(m_accessory, 0, Qt::AlignVCenter);
    m_strip->setWidget(m_stripContent);

    connect(m_accessory, &QAbstractButton::clicked, this, [this] {
        const bool adding = !m_inputs.isAddingSection.value();
        m_inputs.isAddingSection.setValue(adding);
        // Cancelling throws the typed title away.
        if (!adding)
            m_inputs.customSectionTitle.setValue(QString());
    });
    connect(m_composer->field, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_inputs.customSectionTitle.setValue(text); });
    const auto submit = [this] {
        if (m_callbacks.onSubmitCustomSection)
            m_callbacks.onSubmitCustomSection();
    };
    connect(m_composer->field, &QLineEdit::returnPressed, this, submit);
    connect(m_composer->add, &QAbstractButton::clicked, this, submit);
    m_composer->hide();
    setInputs(m_inputs);
}

SectionWorkspaceBarView::~SectionWorkspaceBarView() = default;

QLineEdit* SectionWorkspaceBarView::composerField() const
{
    return m_composer->field;
}

QAbstractButton* SectionWorkspaceBarView::composerAddButton() const
{
    return m_composer->add;
}

void SectionWorkspaceBarView::setInputs(const Inputs& inputs)
{
    m_inputs = inputs;
    const auto& configuration = inputs.configuration;
    const auto& layout = configuration.layout;

    auto* row = static_cast<QHBoxLayout*>(m_stripContent->layout());
    row->setSpacing(TemplateStyle::widgetExtent(layout.sectionTabSpacing));
    // Positional buttons: only the count changes the set of widgets.
    while (m_tabButtons.size() < inputs.workspaceTabs.size()) {
        const int index = m_tabButtons.size();
        auto* button = new SectionWorkspaceTabButton(m_stripContent);
        connect(button, &QAbstractButton::clicked, this, [this, index] {
            if (index < m_inputs.workspaceTabs.size() && m_callbacks.onSelectWorkspace)
                m_callbacks.onSelectWorkspace(m_inputs.workspaceTabs[index].id);
        });
        row->insertWidget(index, button, 0, Qt::AlignVCenter);
        // A child made after its parent was shown stays hidden until told.
        button->show();
        m_tabButtons.append(button);
    }
    while (m_tabButtons.size() > inputs.workspaceTabs.size()) {
        QAbstractButton* button = m_tabButtons.takeLast();
        button->hide();
        button->deleteLater();
    }
    for (int i = 0; i < inputs.workspaceTabs.size(); ++i) {
        const TaskWorkspaceTab& tab = inputs.workspaceTabs[i];
        static_cast<SectionWorkspaceTabButton*>(m_tabButtons[i])
            ->setTab(configuration, tab.title, tab.id == inputs.selectedWorkspaceID, tab.accent);
    }

    const bool adding = inputs.isAddingSection.value();
    static_cast<InlineSectionAccessoryButton*>(m_accessory)->setState(configuration, adding);
    m_composer->setConfiguration(configuration);
    const QString title = inputs.customSectionTitle.value();
    if (m_composer->field->text() != title)
        m_composer->field->setText(title);
    m_composer->add->setEnabled(!title.trimmed().isEmpty());

    if (adding != m_isAdding) {
        m_isAdding = adding;
        if (isVisible() && inputs.animateComposer) {
            m_composerPresence.setTarget(adding ? 1 : 0, composerAnimation(), m_clock());
            m_animator.start();
        } else {
            m_composerPresence.jumpTo(adding ? 1 : 0);
        }
    }
    // The strip's width must follow the new tabs now, not on a later layout pass.
    m_stripContent->layout()->activate();
    applyLayout();
}

int SectionWorkspaceBarView::stripHeight() const
{
    const auto& layout = m_inputs.configuration.layout;
    return TemplateStyle::widgetExtent(layout.sectionTabLabelLaneHeight + layout.sectionTabIndicatorLaneHeight);
}

int SectionWorkspaceBarView::currentHeight() const
{
    const auto& layout = m_inputs.configuration.layout;
    const double presence = std::clamp(m_composerPresence.value(m_clock()), 0.0, 1.0);
    return stripHeight()
        + int(std::lround(presence * std::max(0.0, layout.sectionComposerSpacing + layout.sectionComposerHeight)));
}

bool SectionWorkspaceBarView::isAnimating() const
{
    m_composerPresence.value(m_clock());
    return m_composerPresence.isMoving();
}

void SectionWorkspaceBarView::frame()
{
    applyLayout();
}

void SectionWorkspaceBarView::applyLayout()
{
    const auto& layout = m_inputs.configuration.layout;
    const int inset = TemplateStyle::widgetExtent(layout.sidebarContentHorizontalInset);
    const int lane = TemplateStyle::widgetExtent(layout.sectionTabLabelLaneHeight);
    m_strip->setGeometry(inset, 0, std::max(0, width() - 2 * inset), lane);
    m_stripContent->resize(m_stripContent->sizeHint().width(), lane);

    const double presence = m_composerPresence.value(m_clock());
    const int composerHeight = TemplateStyle::widgetExtent(layout.sectionComposerHeight);
    const int composerTop = stripHeight() + TemplateStyle::widgetExtent(layout.sectionComposerSpacing);
    const bool shown = m_isAdding || m_composerPresence.isMoving();
    if (shown) {
        // It enters from the top edge; it leaves in place, fading.
        const int slide = m_isAdding ? int(std::lround((1 - std::clamp(presence, 0.0, 1.0)) * -composerHeight)) : 0;
        m_composer->setGeometry(0, composerTop + slide, width(), composerHeight);
        const double opacity = std::clamp(presence, 0.0, 1.0);
        if (opacity < 1) {
            auto* effect = qobject_cast<QGraphicsOpacityEffect*>(m_composer->graphicsEffect());
            if (!effect) {
                effect = new QGraphicsOpacityEffect(m_composer);
                m_composer->setGraphicsEffect(effect);
            }
            effect->setOpacity(opacity);
        } else if (m_composer->graphicsEffect()) {
            m_composer->setGraphicsEffect(nullptr);
        }
    }
    m_composer->setVisible(shown);
    const int height = currentHeight();
    if (height != m_reportedHeight) {
        m_reportedHeight = height;
        emit currentHeightChanged(height);
    }
    update();
}

void SectionWorkspaceBarView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    applyLayout();
}

void SectionWorkspaceBarView::paintEvent(QPaintEvent*)
{
    const auto& layout = m_inputs.configuration.layout;
    QPainter painter(this);
    const int inset = TemplateStyle::widgetExtent(layout.sidebarContentHorizontalInset);
    const double y = layout.sectionTabLabelLaneHeight + layout.sectionTabDividerTopSpacing;
    painter.setPen(QPen(TemplateStyle::color(m_inputs.configuration.appearance.rowBorderColor), 1));
    painter.drawLine(QPointF(inset, y + 0.5), QPointF(width() - inset, y + 0.5));
}
