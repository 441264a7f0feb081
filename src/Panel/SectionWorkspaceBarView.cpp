#include "Panel/SectionWorkspaceBarView.h"

#include "Platform/Text.h"
#include "UI/SymbolPainter.h"
#include "UI/TemplateStyle.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontMetricsF>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>
#include <cmath>

namespace {
// After the plus button, inside the strip's own inset.
constexpr int stripTrailingPadding = 2;

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
        // Checked tells a screen reader which tab is selected.
        setCheckable(true);
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
        setChecked(isSelected);
        setAccessibleName(shown);
        setAccessibleDescription(QStringLiteral("Shows the tasks of this workspace"));
        setFixedSize(int(std::ceil(QFontMetricsF(font).horizontalAdvance(shown))), height);
        update();
    }

    bool isSelectedTab() const { return m_selected; }
    QColor textColor() const { return m_color; }

protected:
    // The selection comes from the owner, never from a click by itself.
    void nextCheckState() override {}
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
        const QString symbol = isAdding ? QStringLiteral("xmark") : QStringLiteral("plus");
        if (symbol == m_symbol && configuration == m_configuration)
            return;
        m_configuration = configuration;
        m_symbol = symbol;
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
        setAccessibleName(QStringLiteral("Add section"));
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
        field->setAccessibleDescription(QStringLiteral("Name of the section to add"));
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
    m_strip->setAccessibleName(QStringLiteral("Workspace tabs"));
    m_stripContent->setAttribute(Qt::WA_TranslucentBackground);
    auto* row = new QHBoxLayout(m_stripContent);
    row->addWidget(m_accessory, 0, Qt::AlignVCenter);
    m_strip->setWidget(m_stripContent);
    auto* fade = new QGraphicsOpacityEffect(m_strip);
    // Only the mask fades; the effect's own default opacity would dim every tab.
    fade->setOpacity(1);
    fade->setEnabled(false);
    m_strip->setGraphicsEffect(fade);
    QScrollBar* scroll = m_strip->horizontalScrollBar();
    connect(scroll, &QScrollBar::valueChanged, this, [this] { updateFade(); });
    connect(scroll, &QScrollBar::rangeChanged, this, [this] { updateFade(); });
    for (QObject* part : {static_cast<QObject*>(m_strip->viewport()), static_cast<QObject*>(m_stripContent),
                          static_cast<QObject*>(m_accessory)})
        part->installEventFilter(this);

    connect(m_accessory, &QAbstractButton::clicked, this, [this] {
        if (m_inputs.isAddingSection.value()) {
            cancelComposer();
            return;
        }
        m_inputs.isAddingSection.setValue(true);
    });
    m_composer->field->installEventFilter(this);
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
    const bool selectionChanged = inputs.selectedWorkspaceID != m_inputs.selectedWorkspaceID
        || inputs.workspaceTabs.size() != m_tabButtons.size();
    // Asked before the composer may hide: hiding moves the focus on by itself.
    const QWidget* focused = window()->focusWidget();
    const bool composerHadKeyboard = focused && (focused == m_composer || m_composer->isAncestorOf(focused));
    m_inputs = inputs;
    const auto& configuration = inputs.configuration;
    const auto& layout = configuration.layout;

    auto* row = static_cast<QHBoxLayout*>(m_stripContent->layout());
    row->setSpacing(TemplateStyle::widgetExtent(layout.sectionTabSpacing));
    // The tabs start and end where the bar's inset does; the strip itself spans
    // the whole bar, so tabs scrolled past that inset fade out instead of being cut.
    const int inset = TemplateStyle::widgetExtent(layout.sidebarContentHorizontalInset);
    row->setContentsMargins(inset, 0, inset + stripTrailingPadding, 0);
    // Positional buttons: only the count changes the set of widgets.
    while (m_tabButtons.size() < inputs.workspaceTabs.size()) {
        const int index = m_tabButtons.size();
        auto* button = new SectionWorkspaceTabButton(m_stripContent);
        connect(button, &QAbstractButton::clicked, this, [this, index] {
            if (index < m_inputs.workspaceTabs.size() && m_callbacks.onSelectWorkspace)
                m_callbacks.onSelectWorkspace(m_inputs.workspaceTabs[index].id);
        });
        row->insertWidget(index, button, 0, Qt::AlignVCenter);
        button->installEventFilter(this);
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

    bool opened = false, closed = false;
    if (adding != m_isAdding) {
        m_isAdding = adding;
        opened = adding;
        closed = !adding;
        const bool animate = isVisible() && inputs.animateComposer;
        // Leaving, the composer is drawn from a picture that shrinks towards its top edge.
        m_leavingComposer = closed && animate && m_composer->isVisible() ? m_composer->grab() : QPixmap();
        if (animate) {
            m_composerPresence.setTarget(adding ? 1 : 0, composerAnimation(), m_clock());
            m_animator.start();
        } else {
            m_composerPresence.jumpTo(adding ? 1 : 0);
        }
    }
    // The strip's width must follow the new tabs now, not on a later layout pass.
    m_stripContent->layout()->activate();
    applyLayout();
    if (selectionChanged && isVisible())
        revealSelectedTab();

    if (opened && isVisible())
        m_composer->field->setFocus(Qt::OtherFocusReason);
    if (closed && composerHadKeyboard && m_callbacks.onHandBackKeyboard)
        m_callbacks.onHandBackKeyboard();
}

void SectionWorkspaceBarView::cancelComposer()
{
    m_inputs.isAddingSection.setValue(false);
    // Cancelling throws the typed title away.
    m_inputs.customSectionTitle.setValue(QString());
}

int SectionWorkspaceBarView::fadeWidth() const
{
    // The bar's inset and as much again inside it: long enough to read as a fade, not a cut.
    return 2 * TemplateStyle::widgetExtent(m_inputs.configuration.layout.sidebarContentHorizontalInset);
}

QRect SectionWorkspaceBarView::clearStripArea() const
{
    const int fade = fadeWidth();
    const int left = m_fadesLeading ? fade : 0;
    const int right = m_fadesTrailing ? m_strip->width() - fade : m_strip->width();
    return QRect(left, 0, std::max(0, right - left), m_strip->height());
}

void SectionWorkspaceBarView::revealSelectedTab()
{
    int index = -1;
    for (int i = 0; i < m_inputs.workspaceTabs.size() && i < m_tabButtons.size(); ++i)
        if (m_inputs.workspaceTabs[i].id == m_inputs.selectedWorkspaceID) {
            index = i;
            break;
        }
    if (index < 0)
        return;
    QScrollBar* scroll = m_strip->horizontalScrollBar();
    // Clear of the fades, which end where the strip can scroll no further.
    const QRect clear(fadeWidth(), 0, std::max(0, m_strip->width() - 2 * fadeWidth()), m_strip->height());
    const QRect tab = m_tabButtons[index]->geometry();
    // The last tab brings the plus button along, and the strip's end, when they fit.
    QRect wanted = tab;
    const QRect end = m_accessory->geometry().adjusted(0, 0, stripTrailingPadding, 0);
    if (index == m_tabButtons.size() - 1 && tab.united(end).width() <= clear.width())
        wanted = tab.united(end);
    int value = scroll->value();
    if (wanted.width() > clear.width() || wanted.left() - value < clear.left())
        value = wanted.left() - clear.left();
    else if (wanted.right() + 1 - value > clear.right() + 1)
        value = wanted.right() + 1 - (clear.right() + 1);
    scroll->setValue(std::clamp(value, scroll->minimum(), scroll->maximum()));
    updateFade();
}

void SectionWorkspaceBarView::updateFade()
{
    QScrollBar* scroll = m_strip->horizontalScrollBar();
    m_fadesLeading = scroll->value() > scroll->minimum();
    m_fadesTrailing = scroll->value() < scroll->maximum();
    auto* effect = static_cast<QGraphicsOpacityEffect*>(m_strip->graphicsEffect());
    const int width = m_strip->width();
    const int fade = fadeWidth();
    // Drawing through the effect costs a picture of the strip: only while something lies beyond an edge.
    const bool fading = (m_fadesLeading || m_fadesTrailing) && width > 2 * fade && fade > 0;
    effect->setEnabled(fading);
    if (!fading)
        return;
    QLinearGradient mask(0, 0, width, 0);
    const double edge = double(fade) / width;
    mask.setColorAt(0, m_fadesLeading ? Qt::transparent : Qt::black);
    mask.setColorAt(edge, Qt::black);
    mask.setColorAt(1 - edge, Qt::black);
    mask.setColorAt(1, m_fadesTrailing ? Qt::transparent : Qt::black);
    effect->setOpacityMask(mask);
}

bool SectionWorkspaceBarView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_composer->field) {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            cancelComposer();
            return true;
        }
        return QWidget::eventFilter(watched, event);
    }
    // Anything on the strip: a press that moves sideways far enough drags the
    // tabs along and is no click any more.
    QScrollBar* scroll = m_strip->horizontalScrollBar();
    auto* button = qobject_cast<QAbstractButton*>(watched);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto* press = static_cast<QMouseEvent*>(event);
        if (press->button() == Qt::LeftButton) {
            m_dragOrigin = int(std::lround(press->globalPosition().x()));
            m_dragStartValue = scroll->value();
            m_dragging = false;
        }
        break;
    }
    case QEvent::MouseMove: {
        const auto* move = static_cast<QMouseEvent*>(event);
        if (!m_dragOrigin || !(move->buttons() & Qt::LeftButton))
            break;
        const int distance = int(std::lround(move->globalPosition().x())) - *m_dragOrigin;
        if (!m_dragging && std::abs(distance) >= QApplication::startDragDistance()) {
            m_dragging = true;
            if (button)
                button->setDown(false);
        }
        if (m_dragging) {
            scroll->setValue(m_dragStartValue - distance);
            return true;
        }
        break;
    }
    case QEvent::MouseButtonRelease: {
        if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
            break;
        const bool dragged = m_dragging;
        m_dragging = false;
        m_dragOrigin.reset();
        if (dragged) {
            if (button)
                button->setDown(false);
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
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
    const int lane = TemplateStyle::widgetExtent(layout.sectionTabLabelLaneHeight);
    const QRect stripGeometry(0, 0, width(), lane);
    const bool stripResized = m_strip->geometry().width() != stripGeometry.width();
    m_strip->setGeometry(stripGeometry);
    m_stripContent->resize(m_stripContent->sizeHint().width(), lane);
    if (stripResized && isVisible())
        revealSelectedTab();

    const double presence = m_composerPresence.value(m_clock());
    const int composerHeight = composerRect().height();
    // It enters from the top edge, fading in; it leaves as a picture (drawn by paintEvent).
    const bool shown = m_isAdding;
    if (!m_isAdding && !m_composerPresence.isMoving())
        m_leavingComposer = QPixmap();
    if (shown) {
        const int slide = int(std::lround((1 - std::clamp(presence, 0.0, 1.0)) * -composerHeight));
        m_composer->setGeometry(composerRect().translated(0, slide));
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
    // Only the divider and a leaving composer are painted here: a repaint for
    // nothing would repaint every tab and the surface below as well.
    const bool drawsLeaving = !m_isAdding && !m_leavingComposer.isNull();
    const auto& configuration = m_inputs.configuration;
    if (drawsLeaving || m_paintedLeaving || m_paintedLayout != configuration.layout
        || m_paintedAppearance != configuration.appearance) {
        m_paintedLeaving = drawsLeaving;
        m_paintedLayout = configuration.layout;
        m_paintedAppearance = configuration.appearance;
        update();
    }
}

QRect SectionWorkspaceBarView::composerRect() const
{
    const auto& layout = m_inputs.configuration.layout;
    return QRect(0, stripHeight() + TemplateStyle::widgetExtent(layout.sectionComposerSpacing), width(),
                 TemplateStyle::widgetExtent(layout.sectionComposerHeight));
}

QRectF SectionWorkspaceBarView::composerFrame() const
{
    if (m_isAdding)
        return m_composer->geometry();
    if (m_leavingComposer.isNull())
        return {};
    // Scaled to 0.98 at the end, about the middle of its top edge.
    const double presence = std::clamp(m_composerPresence.value(m_clock()), 0.0, 1.0);
    const double scale = 0.98 + 0.02 * presence;
    const QRectF full = composerRect();
    const double width = full.width() * scale;
    return {full.center().x() - width / 2, full.top(), width, full.height() * scale};
}

double SectionWorkspaceBarView::composerOpacity() const
{
    if (!m_isAdding && m_leavingComposer.isNull())
        return 0;
    return std::clamp(m_composerPresence.value(m_clock()), 0.0, 1.0);
}

void SectionWorkspaceBarView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    applyLayout();
}

void SectionWorkspaceBarView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The panel opened: the selected tab is in view, whatever was scrolled before.
    applyLayout();
    revealSelectedTab();
}

void SectionWorkspaceBarView::paintEvent(QPaintEvent*)
{
    const auto& layout = m_inputs.configuration.layout;
    QPainter painter(this);
    const int inset = TemplateStyle::widgetExtent(layout.sidebarContentHorizontalInset);
    const double y = layout.sectionTabLabelLaneHeight + layout.sectionTabDividerTopSpacing;
    painter.setPen(QPen(TemplateStyle::color(m_inputs.configuration.appearance.rowBorderColor), 1));
    painter.drawLine(QPointF(inset, y + 0.5), QPointF(width() - inset, y + 0.5));

    if (!m_isAdding && !m_leavingComposer.isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setOpacity(composerOpacity());
        painter.drawPixmap(composerFrame(), m_leavingComposer, QRectF(m_leavingComposer.rect()));
    }
}
