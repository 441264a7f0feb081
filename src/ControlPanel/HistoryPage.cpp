#include "ControlPanel/HistoryPage.h"

#include "ControlPanel/ControlPanelStyle.h"
#include "ControlPanel/GroupedCard.h"
#include "UI/TemplateStyle.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <algorithm>

using namespace ControlPanelStyle;

namespace {
constexpr int groupSpacing = 24;
constexpr int headerSpacing = 10;
constexpr int cardPadding = 10;
constexpr int rowSpacing = 6;
constexpr int shadow = GroupedCard::shadowMargin;
constexpr double emptyStateHeight = 260;
const char* const emptyTitle = "No History Yet";
const char* const emptyMessage = "Completed tasks will appear here once you start checking work off.";
} // namespace

HistoryHeaderAccessory::HistoryHeaderAccessory(QWidget* parent)
    : QWidget(parent), m_count(new QLabel), m_clear(new QPushButton(QStringLiteral("Clear All History")))
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);
    m_count->setFont(textFont(TextStyle::subheadline));
    m_count->setForegroundRole(QPalette::PlaceholderText);
    m_count->setTextFormat(Qt::PlainText);
    markDestructive(m_clear);
    m_clear->setAccessibleName(QStringLiteral("Clear All History"));
    m_clear->setCursor(Qt::PointingHandCursor);
    row->addWidget(m_count, 0, Qt::AlignVCenter);
    row->addWidget(m_clear, 0, Qt::AlignVCenter);
    connect(m_clear, &QPushButton::clicked, this, [this] {
        if (onClearAll)
            onClearAll();
    });
}

void HistoryHeaderAccessory::setTotal(qsizetype total)
{
    m_count->setText(QStringLiteral("%1 total").arg(total));
    m_clear->setEnabled(total != 0);
}

HistoryPage::HistoryPage(bool reduceMotion, QWidget* parent)
    : QWidget(parent), m_reduceMotion(reduceMotion), m_animator([this] { update(); }, [this] { return isAnimating(); })
{
    setMouseTracking(true);
    // Before anything asks for this widget's accessible interface.
    exposeToScreenReaders();
    setAccessibleName(QStringLiteral("History"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // Empty from the start: the empty state needs its height before any sections arrive.
    relayout();
}

HistoryPage::~HistoryPage() = default;

void HistoryPage::setSections(QList<ControlPanelViewModel::CompletedSection> sections)
{
    if (sections == m_sections)
        return;
    m_sections = std::move(sections);
    // A row's state is kept by task id and made when the row is first drawn,
    // so a long history costs nothing until it is scrolled to. States of tasks
    // that left the list are dropped once they pile up.
    qsizetype itemCount = 0;
    bool hoveredStays = false;
    for (const auto& section : m_sections) {
        itemCount += section.items.size();
        if (m_hovered && !hoveredStays) {
            hoveredStays = std::any_of(section.items.cbegin(), section.items.cend(),
                                       [&](const auto& item) { return item.id == *m_hovered; });
        }
    }
    if (!hoveredStays)
        m_hovered.reset();
    if (m_rows.size() > itemCount + 256) {
        QHash<QUuid, HistoryTaskRow> kept;
        for (const auto& section : m_sections) {
            for (const auto& item : section.items) {
                if (auto found = m_rows.constFind(item.id); found != m_rows.constEnd())
                    kept.insert(item.id, *found);
            }
        }
        m_rows = std::move(kept);
    }
    relayout();
    update();
}

void HistoryPage::relayout()
{
    m_layout.clear();
    m_items.clear();
    const QFontMetrics title(textFont(TextStyle::title3, QFont::DemiBold));
    const int rowHeight = HistoryTaskRow::height();
    int y = 0;
    for (const auto& section : m_sections) {
        DayLayout day;
        day.headerTop = y;
        day.headerHeight = title.height();
        y += day.headerHeight + headerSpacing - shadow / 2;
        const int cardTop = y + shadow / 2;
        int rowTop = cardTop + cardPadding;
        m_items.append({m_layout.size(), -1});
        for (qsizetype i = 0; i < section.items.size(); ++i) {
            m_items.append({m_layout.size(), i});
            day.rows.append(QRect(shadow + cardPadding, rowTop, 0, rowHeight));
            rowTop += rowHeight + (i + 1 < section.items.size() ? rowSpacing : 0);
        }
        const int cardBottom = rowTop + cardPadding;
        day.card = QRect(shadow, cardTop, 0, cardBottom - cardTop);
        y = cardBottom + shadow + groupSpacing - shadow;
        m_layout.append(day);
    }
    m_contentHeight = m_sections.isEmpty() ? static_cast<int>(emptyStateHeight) : std::max(0, y - groupSpacing + shadow);
    setFixedHeight(m_contentHeight);
    updateGeometry();
}

QSize HistoryPage::sizeHint() const
{
    return {720, m_contentHeight};
}

QSize HistoryPage::minimumSizeHint() const
{
    return {320, m_contentHeight};
}

int HistoryPage::paintedItemCount() const
{
    return m_sections.isEmpty() ? 1 : int(m_items.size());
}

PaintedItem HistoryPage::paintedItem(int index) const
{
    if (m_sections.isEmpty())
        return {QAccessible::StaticText, QString::fromLatin1(emptyTitle), QString::fromLatin1(emptyMessage), rect(), {}};
    const auto [s, i] = m_items.at(index);
    const auto& section = m_sections.at(s);
    if (i < 0) {
        const QString count = QString::number(section.items.size());
        return {QAccessible::Heading, section.title, QStringLiteral("%1 completed").arg(count),
                dayHeaderRect(section.id), {}};
    }
    const auto& item = section.items.at(i);
    QRect row = m_layout.at(s).rows.at(i);
    row.setRight(width() - shadow - cardPadding - 1);
    return {QAccessible::ListItem, item.title, QStringLiteral("%1, %2").arg(item.sectionTitle, item.completedLabel), row, {}};
}

QRect HistoryPage::rowRect(const QUuid& id) const
{
    for (qsizetype s = 0; s < m_sections.size(); ++s) {
        const auto& items = m_sections.at(s).items;
        for (qsizetype i = 0; i < items.size(); ++i) {
            if (items.at(i).id == id) {
                QRect rect = m_layout.at(s).rows.at(i);
                rect.setRight(width() - shadow - cardPadding - 1);
                return rect;
            }
        }
    }
    return {};
}

QRect HistoryPage::dayHeaderRect(const QString& sectionID) const
{
    for (qsizetype s = 0; s < m_sections.size(); ++s) {
        if (m_sections.at(s).id == sectionID)
            return QRect(shadow, m_layout.at(s).headerTop, width() - 2 * shadow, m_layout.at(s).headerHeight);
    }
    return {};
}

std::optional<QUuid> HistoryPage::rowAt(const QPoint& position) const
{
    for (qsizetype s = 0; s < m_layout.size(); ++s) {
        const DayLayout& day = m_layout.at(s);
        if (position.y() < day.card.top() || position.y() >= day.card.bottom())
            continue;
        for (qsizetype i = 0; i < day.rows.size(); ++i) {
            const QRect& row = day.rows.at(i);
            if (position.y() >= row.top() && position.y() <= row.bottom() && position.x() >= row.left()
                && position.x() < width() - shadow - cardPadding)
                return m_sections.at(s).items.at(i).id;
        }
    }
    return std::nullopt;
}

const HistoryTaskRow* HistoryPage::row(const QUuid& id) const
{
    const auto found = m_rows.constFind(id);
    return found == m_rows.constEnd() ? nullptr : &*found;
}

bool HistoryPage::isAnimating() const
{
    if (!isVisible())
        return false;
    if (m_hasWaitingRows)
        return true;
    if (m_hovered) {
        if (const HistoryTaskRow* hovered = row(*m_hovered); hovered && hovered->isMoving())
            return true;
    }
    for (const HistoryTaskRow& row : m_rows) {
        if (row.isMoving())
            return true;
    }
    return false;
}

void HistoryPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_shownAt = Motion::animationClock();
    m_animator.start();
}

void HistoryPage::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_animator.stop();
    // The page is built afresh each time it is chosen: its rows come in again.
    m_rows.clear();
    m_appearAt.clear();
    m_hovered.reset();
}

void HistoryPage::setHoveredRow(std::optional<QUuid> id)
{
    if (id == m_hovered)
        return;
    const double now = Motion::animationClock();
    if (m_hovered) {
        if (auto previous = m_rows.find(*m_hovered); previous != m_rows.end())
            previous->setHovered(false, now, m_reduceMotion);
    }
    m_hovered = id;
    if (id) {
        if (auto next = m_rows.find(*id); next != m_rows.end())
            next->setHovered(true, now, m_reduceMotion);
    }
    m_animator.start();
    update();
}

void HistoryPage::mouseMoveEvent(QMouseEvent* event)
{
    setHoveredRow(rowAt(event->position().toPoint()));
    QWidget::mouseMoveEvent(event);
}

void HistoryPage::leaveEvent(QEvent* event)
{
    setHoveredRow(std::nullopt);
    QWidget::leaveEvent(event);
}

void HistoryPage::paintEmptyState(QPainter& painter)
{
    const QPalette& colors = palette();
    const QRectF area(0, 0, width(), emptyStateHeight);
    const double symbolTop = area.top() + 48;
    paintSymbol(painter, QStringLiteral("clock"), QRectF(area.center().x() - 24, symbolTop, 48, 48), secondary(colors),
                40);
    painter.setFont(systemFont(20, QFont::DemiBold));
    painter.setPen(primary(colors));
    const QRectF titleRect(0, symbolTop + 64, width(), 28);
    painter.drawText(titleRect, Qt::AlignHCenter | Qt::AlignVCenter, QString::fromLatin1(emptyTitle));
    painter.setFont(textFont(TextStyle::body));
    painter.setPen(secondary(colors));
    painter.drawText(QRectF(24, titleRect.bottom() + 8, width() - 48, 44), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                     QString::fromLatin1(emptyMessage));
}

void HistoryPage::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_sections.isEmpty()) {
        paintEmptyState(painter);
        return;
    }
    const QPalette& colors = palette();
    const double now = Motion::animationClock();
    const QRect exposed = event->rect();
    const QRect visible = visibleRegion().boundingRect();
    const bool firstBatch = now - m_shownAt < 0.1;
    const QFont titleFont = textFont(TextStyle::title3, QFont::DemiBold);
    const QFont countFont = textFont(TextStyle::subheadline, QFont::Medium);
    const QFontMetrics titleMetrics(titleFont);
    const QFontMetrics countMetrics(countFont);
    const bool dark = isDark(colors);
    const QColor cardFill = dark ? controlBackground(colors).lighter(108) : QColor(Qt::white);
    m_hasWaitingRows = false;

    for (qsizetype s = 0; s < m_layout.size(); ++s) {
        const DayLayout& day = m_layout.at(s);
        if (day.card.bottom() + shadow < exposed.top() || day.headerTop > exposed.bottom())
            continue;
        const auto& section = m_sections.at(s);
        // Day title and its count share the first baseline.
        const double baseline = day.headerTop + titleMetrics.ascent();
        painter.setFont(titleFont);
        painter.setPen(primary(colors));
        const QString count = QString::number(section.items.size());
        const int countWidth = countMetrics.horizontalAdvance(count);
        painter.drawText(QPointF(shadow, baseline),
                         titleMetrics.elidedText(section.title, Qt::ElideRight, width() - 2 * shadow - countWidth - 12));
        painter.setFont(countFont);
        painter.setPen(secondary(colors));
        painter.drawText(QPointF(width() - shadow - countWidth, baseline), count);

        QRectF card = day.card;
        card.setRight(width() - shadow);
        paintCard(painter, card, cardFill, primary(colors, dark ? 0.06 : 0.08), cardShadowColor(colors), 12, 3);

        for (qsizetype i = 0; i < day.rows.size(); ++i) {
            QRect rowRect = day.rows.at(i);
            rowRect.setRight(width() - shadow - cardPadding - 1);
            if (rowRect.bottom() < exposed.top() || rowRect.top() > exposed.bottom())
                continue;
            const auto& item = section.items.at(i);
            const QUuid& id = item.id;
            auto row = m_rows.find(id);
            if (row == m_rows.end())
                row = m_rows.insert(id, HistoryTaskRow{});
            row->title = item.title;
            row->subtitle = item.sectionTitle;
            row->trailingText = item.completedLabel;
            row->appearanceDelay = static_cast<double>(s * 6 + i) * 0.028;
            if (!row->hasAppeared && rowRect.intersects(visible)) {
                // Rows on screen when the page opens come in one after another;
                // rows scrolled to later come in at once.
                auto at = m_appearAt.find(id);
                if (at == m_appearAt.end())
                    at = m_appearAt.insert(id, firstBatch ? m_shownAt + row->appearanceDelay : now);
                if (m_reduceMotion || now >= *at)
                    row->appear(std::min(now, *at), m_reduceMotion);
                else
                    m_hasWaitingRows = true;
            }
            row->paint(painter, rowRect, colors, now);
        }
    }
    if (isAnimating())
        m_animator.start();
}
