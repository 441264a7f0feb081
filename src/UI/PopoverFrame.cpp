#include "UI/PopoverFrame.h"

#include "Platform/CompositorMonitor.h"
#include "Platform/X11Support.h"
#include "UI/BlurHelper.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QList>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <cmath>

namespace {

bool vertical(PopoverEdge edge)
{
    return edge == PopoverEdge::Top || edge == PopoverEdge::Bottom;
}

PopoverEdge opposite(PopoverEdge edge)
{
    switch (edge) {
    case PopoverEdge::Top: return PopoverEdge::Bottom;
    case PopoverEdge::Bottom: return PopoverEdge::Top;
    case PopoverEdge::Leading: return PopoverEdge::Trailing;
    case PopoverEdge::Trailing: break;
    }
    return PopoverEdge::Leading;
}

// Room between the anchor's edge and the matching edge of the available area.
int room(PopoverEdge edge, const QRect& anchor, const QRect& available)
{
    switch (edge) {
    case PopoverEdge::Top: return anchor.top() - available.top();
    case PopoverEdge::Bottom: return available.bottom() - anchor.bottom();
    case PopoverEdge::Leading: return anchor.left() - available.left();
    case PopoverEdge::Trailing: break;
    }
    return available.right() - anchor.right();
}

// Centred on the anchor, kept inside [start, end) when it fits there.
int alongAxis(int anchorStart, int anchorLength, int length, int start, int end)
{
    const int centred = anchorStart + (anchorLength - length) / 2;
    if (length >= end - start)
        return start;
    return std::clamp(centred, start, end - length);
}

} // namespace

PopoverPlacement PopoverFrame::place(const QRect& anchor, const QSize& contentSize,
                                     std::optional<PopoverEdge> preferredEdge, const QRect& available)
{
    QList<PopoverEdge> order{PopoverEdge::Bottom, PopoverEdge::Top, PopoverEdge::Trailing, PopoverEdge::Leading};
    if (preferredEdge) {
        order.removeAll(*preferredEdge);
        order.removeAll(opposite(*preferredEdge));
        order.prepend(opposite(*preferredEdge));
        order.prepend(*preferredEdge);
    }
    const QSize frameSize(contentSize.width(), contentSize.height());
    auto needed = [&](PopoverEdge edge) {
        return vertical(edge) ? frameSize.height() + arrowDepth : frameSize.width() + arrowDepth;
    };
    PopoverEdge chosen = order[0];
    int bestSlack = room(order[0], anchor, available) - needed(order[0]);
    for (PopoverEdge edge : order) {
        const int slack = room(edge, anchor, available) - needed(edge);
        if (slack >= 0) {
            chosen = edge;
            break;
        }
        if (slack > bestSlack) {
            bestSlack = slack;
            chosen = edge;
        }
    }

    PopoverPlacement result;
    result.edge = chosen;
    const int depth = needed(chosen);
    QRect& frame = result.frame;
    if (vertical(chosen)) {
        const int x = alongAxis(anchor.x(), anchor.width(), frameSize.width(), available.left(),
                                available.left() + available.width());
        const int y = chosen == PopoverEdge::Top ? anchor.top() - depth : anchor.top() + anchor.height();
        frame = QRect(x, y, frameSize.width(), depth);
        result.arrowCenter = anchor.center().x() - x;
    } else {
        const int y = alongAxis(anchor.y(), anchor.height(), frameSize.height(), available.top(),
                                available.top() + available.height());
        const int x = chosen == PopoverEdge::Leading ? anchor.left() - depth : anchor.left() + anchor.width();
        frame = QRect(x, y, depth, frameSize.height());
        result.arrowCenter = anchor.center().y() - y;
    }
    // The arrow stays on the straight part of the side, clear of the corners.
    const int length = vertical(chosen) ? frame.width() : frame.height();
    const int margin = cornerRadius + arrowHalfWidth;
    result.arrowCenter = length >= 2 * margin ? std::clamp(result.arrowCenter, margin, length - margin) : length / 2;
    return result;
}

PopoverFrame::PopoverFrame(QWidget* opener, Binding<bool> isPresented, std::optional<PopoverEdge> preferredEdge)
    : QWidget(opener, Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint),
      m_opener(opener), m_isPresented(std::move(isPresented)), m_preferredEdge(preferredEdge)
{
    setAttribute(Qt::WA_TranslucentBackground);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    QPalette dark = palette();
    const QColor text(255, 255, 255, 235);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(role, text);
    dark.setColor(QPalette::PlaceholderText, QColor(255, 255, 255, 120));
    dark.setColor(QPalette::Window, QColor(36, 36, 40));
    dark.setColor(QPalette::Base, QColor(255, 255, 255, 20));
    dark.setColor(QPalette::Button, QColor(255, 255, 255, 30));
    dark.setColor(QPalette::Highlight, QColor(10, 110, 230));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    setPalette(dark);

    // A compositor that stops or starts changes how the popover must be drawn:
    // an open one at once, a hidden one keeps no shape for the wrong mode.
    CompositorMonitor& compositor = CompositorMonitor::shared();
    connect(&compositor, &CompositorMonitor::compositingChanged, this, [this] {
        if (isVisible() && m_opener) {
            placeForOpener();
            return;
        }
        m_opaque = !CompositorMonitor::shared().isCompositing();
        // Shaped through X, a popover without a native window has nothing to
        // shape yet: its next show places and shapes it first.
        if (internalWinId() || !X11Support::canShapeWindows())
            applyShape();
    });
    connect(&compositor, &CompositorMonitor::compositorStarted, this, [this] {
        if (!isVisible())
            return;
        X11Support::reintroduceWindow(uint32_t(internalWinId()));
        // Leaving the screen for a moment ended the popup's grabs, which see the click outside that closes it.
        if (QWindow* window = windowHandle()) {
            window->setKeyboardGrabEnabled(true);
            window->setMouseGrabEnabled(true);
        }
    });
}

PopoverFrame::~PopoverFrame()
{
    // Whoever owns the binding may already be going away.
    m_isPresented = {};
}

void PopoverFrame::setContent(QWidget* content)
{
    if (m_content == content)
        return;
    delete m_content;
    m_content = content;
    if (m_content)
        layout()->addWidget(m_content);
}

void PopoverFrame::sync()
{
    if (!m_isPresented.value()) {
        if (isVisible())
            hide();
        return;
    }
    if (!m_opener || !m_opener->isVisible())
        return;
    placeForOpener();
    if (!isVisible())
        show();
}

void PopoverFrame::setShadow(std::optional<Shadow> shadow)
{
    if (m_shadow == shadow)
        return;
    m_shadow = std::move(shadow);
    m_shadowImage = QImage();
    if (isVisible())
        placeForOpener();
}

QMargins PopoverFrame::shadowMargins() const
{
    if (!m_shadow || m_opaque)
        return {};
    // Twice the blur the radius names reaches out about as far as the radius itself.
    const int spread = int(std::ceil(std::max<qreal>(0, m_shadow->radius)));
    const int dx = int(std::ceil(m_shadow->offset.x())), dy = int(std::ceil(m_shadow->offset.y()));
    return {std::max(0, spread - dx), std::max(0, spread - dy), std::max(0, spread + dx), std::max(0, spread + dy)};
}

void PopoverFrame::placeForOpener()
{
    const QRect anchor(m_opener->mapToGlobal(QPoint(0, 0)), m_opener->size());
    QScreen* screen = m_opener->screen() ? m_opener->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(anchor.topLeft(), QSize(4096, 4096));
    QSize contentSize(1, 1);
    if (m_content) {
        m_content->adjustSize();
        // A fixed-width card reports a narrower hint than its width; the width it insists on wins.
        contentSize = m_content->sizeHint().expandedTo(m_content->minimumSizeHint()).expandedTo(m_content->minimumSize())
                          .expandedTo(QSize(1, 1));
    }
    const PopoverPlacement previous = m_placement;
    const QMargins previousMargins = m_shadowMargins;
    m_placement = place(anchor, contentSize, m_preferredEdge, available);

    // Without a compositor translucent pixels turn black: paint opaque and cut
    // the window to the chrome's shape instead, without a shadow.
    m_opaque = !CompositorMonitor::shared().isCompositing();
    m_shadowMargins = shadowMargins();
    QMargins margins = m_shadowMargins;
    switch (m_placement.edge) {
    case PopoverEdge::Top: margins.setBottom(margins.bottom() + arrowDepth); break;
    case PopoverEdge::Bottom: margins.setTop(margins.top() + arrowDepth); break;
    case PopoverEdge::Leading: margins.setRight(margins.right() + arrowDepth); break;
    case PopoverEdge::Trailing: margins.setLeft(margins.left() + arrowDepth); break;
    }
    layout()->setContentsMargins(margins);
    const QRect frame = m_placement.frame.marginsAdded(m_shadowMargins);
    if (m_placement.frame.size() != previous.frame.size() || m_placement.edge != previous.edge
        || m_placement.arrowCenter != previous.arrowCenter || m_shadowMargins != previousMargins)
        m_shadowImage = QImage();
    setFixedSize(frame.size());
    move(frame.topLeft());
    applyShape();
    update();
}

void PopoverFrame::applyShape()
{
    // On X11 the window is shaped in device pixels: Qt's mask, in points,
    // would cut the corners in whole points on a scaled screen. Every show
    // places the popover first, so a native window made anew is shaped too.
    if (X11Support::canShapeWindows()) {
        const auto window = uint32_t(winId());
        if (m_opaque)
            X11Support::setWindowShape(window, X11Support::ShapeKind::Bounding,
                                       shapeRegion(chromePath(), size(), windowHandle()->devicePixelRatio()));
        else
            X11Support::clearBoundingShape(window);
        return;
    }
    const QRegion shape = m_opaque ? shapeRegion(chromePath(), size()) : QRegion();
    setMask(shape);
    // The native window of a hidden popup is made anew when it shows and takes
    // its QWindow's mask, which a hidden widget's mask does not reach.
    if (QWindow* handle = windowHandle())
        handle->setMask(shape);
}

QRegion PopoverFrame::shapeRegion(const QPainterPath& outline, const QSize& size, qreal devicePixelRatio)
{
    if (size.isEmpty())
        return {};
    QImage coverage((QSizeF(size) * devicePixelRatio).toSize(), QImage::Format_Alpha8);
    coverage.fill(0);
    {
        QPainter painter(&coverage);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(devicePixelRatio, devicePixelRatio);
        painter.fillPath(outline, Qt::black);
    }
    // One rectangle per run of covered pixels on a row.
    QList<QRect> runs;
    for (int y = 0; y < coverage.height(); ++y) {
        const uchar* line = coverage.constScanLine(y);
        int start = -1;
        for (int x = 0; x <= coverage.width(); ++x) {
            const bool covered = x < coverage.width() && line[x] >= 128;
            if (covered && start < 0)
                start = x;
            else if (!covered && start >= 0) {
                runs.append(QRect(start, y, x - start, 1));
                start = -1;
            }
        }
    }
    QRegion region;
    region.setRects(runs.constData(), int(runs.size()));
    return region;
}

QPainterPath PopoverFrame::chromePath() const
{
    return chromePath(m_placement).translated(m_shadowMargins.left(), m_shadowMargins.top());
}

QPainterPath PopoverFrame::chromePath(const PopoverPlacement& placement)
{
    const int width = placement.frame.width(), height = placement.frame.height();
    QRectF body(0, 0, width, height);
    const int a = placement.arrowCenter;
    QPolygonF arrow;
    switch (placement.edge) {
    case PopoverEdge::Top:
        body.setBottom(body.bottom() - arrowDepth);
        arrow << QPointF(a - arrowHalfWidth, body.bottom()) << QPointF(a, height) << QPointF(a + arrowHalfWidth, body.bottom());
        break;
    case PopoverEdge::Bottom:
        body.setTop(arrowDepth);
        arrow << QPointF(a - arrowHalfWidth, arrowDepth) << QPointF(a, 0) << QPointF(a + arrowHalfWidth, arrowDepth);
        break;
    case PopoverEdge::Leading:
        body.setRight(body.right() - arrowDepth);
        arrow << QPointF(body.right(), a - arrowHalfWidth) << QPointF(width, a) << QPointF(body.right(), a + arrowHalfWidth);
        break;
    case PopoverEdge::Trailing:
        body.setLeft(arrowDepth);
        arrow << QPointF(arrowDepth, a - arrowHalfWidth) << QPointF(0, a) << QPointF(arrowDepth, a + arrowHalfWidth);
        break;
    }
    QPainterPath path;
    path.addRoundedRect(body, cornerRadius, cornerRadius);
    QPainterPath tip;
    tip.addPolygon(arrow);
    tip.closeSubpath();
    return path.united(tip);
}

void PopoverFrame::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath path = chromePath();
    if (!m_shadowMargins.isNull() && m_shadow) {
        if (m_shadowImage.isNull()) {
            const QPainterPath cast = path.translated(m_shadow->offset);
            const QColor color = m_shadow->color;
            m_shadowImage = BlurHelper::render(
                size(), [&](QPainter& shadow) { shadow.fillPath(cast, color); }, m_shadow->radius / 2, 2);
        }
        // Only around the chrome: under its translucent material the shadow would darken it.
        QPainterPath outside;
        outside.addRect(rect());
        painter.save();
        painter.setClipPath(outside.subtracted(path));
        painter.drawImage(0, 0, m_shadowImage);
        painter.restore();
    }
    painter.fillPath(path, QColor(36, 36, 40, m_opaque ? 255 : 236));
    painter.setPen(QPen(QColor(255, 255, 255, 30), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
}

void PopoverFrame::mousePressEvent(QMouseEvent* event)
{
    // A press outside closes the popup and Qt would replay it to the widget
    // underneath; on the opener that replay would toggle the popover open again.
    const QPoint global = event->globalPosition().toPoint();
    // The shadow is no part of the popover: a press there counts as outside.
    if (rect().contains(event->position().toPoint()) && !m_shadowMargins.isNull()
        && !chromePath().contains(event->position())) {
        close();
        return;
    }
    if (!rect().contains(event->position().toPoint()) && m_opener
        && QRect(m_opener->mapToGlobal(QPoint(0, 0)), m_opener->size()).contains(global))
        setAttribute(Qt::WA_NoMouseReplay);
    QWidget::mousePressEvent(event);
}

void PopoverFrame::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void PopoverFrame::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // Dismissed from inside (outside click, Escape): tell the owner.
    if (m_isPresented.value())
        m_isPresented.setValue(false);
}

MaterialPopoverCard::MaterialPopoverCard(int width, QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(12);
    setFixedWidth(width);
}

void MaterialPopoverCard::addContent(QWidget* widget)
{
    layout()->addWidget(widget);
}
