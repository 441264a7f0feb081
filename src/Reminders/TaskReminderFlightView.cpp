#include "Reminders/TaskReminderFlightView.h"

#include "Platform/Text.h"
#include "Reminders/OpaqueCutout.h"
#include "UI/Motion.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QtMath>
#include <algorithm>
#include <cmath>
#include <limits>

using Geometry = TaskReminderFlightGeometry;

namespace {
// Room around the group for its shadows: the cloth's reaches 14 points out and 6 down.
constexpr int shadowSideMargin = 16;
constexpr int shadowBottomMargin = 24;
const QColor towLineColor(58, 58, 70, 150);
// Without translucency: the cloth's fill is made turned by steps of this many
// degrees, with a margin the waving outline never reaches.
constexpr double clothTurnStep = 0.1;
constexpr int clothMargin = 3;
// The same line as it shows over a light sky, and the cloth's faint outline as
// it shows over the cloth, for windows without translucency.
const QColor opaqueTowLineColor(139, 139, 144);
const QColor opaqueClothEdgeColor(225, 216, 184);
// The cloth's faint outline, black at a tenth, premultiplied.
constexpr QRgb clothRim = 0x19000000;

// The rectangle from `topLeft` grown to whole device pixels, so that a picture of it has no partial pixel.
QRectF wholePixels(const QRectF& rect, qreal ratio)
{
    return {rect.topLeft(), QSizeF(std::ceil(rect.width() * ratio) / ratio, std::ceil(rect.height() * ratio) / ratio)};
}

// A picture of `local` at a device pixel ratio, drawn smoothly by `draw` in the coordinates of `local`.
QImage piece(const QRectF& local, qreal ratio, const std::function<void(QPainter&)>& draw)
{
    QImage image((local.size() * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(-local.topLeft());
    draw(painter);
    return image;
}
} // namespace

TaskReminderFlightView::TaskReminderFlightView(const NotchTemplateConfiguration& configuration, const QString& message,
                                               std::function<void()> onCompletion, bool reduceMotion, QWidget* parent)
    : QWidget(parent),
      m_configuration(configuration),
      m_onCompletion(std::move(onCompletion)),
      m_reduceMotion(reduceMotion),
      m_banner(configuration, message, TaskReminderBannerFlagView::AttachmentSide::trailing,
               [this](double width) { m_flagWidth = width; }, reduceMotion),
      m_airplane(configuration, reduceMotion)
{
    // Clicks go through the window; the view takes none either.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    // Read out as the banner's text; the airplane is decoration.
    setAccessibleName(Text::displayPrefix(message));

    m_frameTimer.setSingleShot(true);
    m_frameTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_frameTimer, &QTimer::timeout, this, &TaskReminderFlightView::tick);
    m_completionTimer.setSingleShot(true);
    m_completionTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_completionTimer, &QTimer::timeout, this, [this] {
        stop();
        if (m_onCompletion)
            m_onCompletion();
    });
}

TaskReminderFlightView::~TaskReminderFlightView() = default;

void TaskReminderFlightView::setOnShapeChanged(std::function<void(const QRegion&)> onShapeChanged)
{
    m_onShapeChanged = std::move(onShapeChanged);
}

void TaskReminderFlightView::setTranslucent(bool translucent)
{
    if (translucent == m_translucent)
        return;
    m_translucent = translucent;
    // Shut until the first opaque frame is painted: what shows now was drawn to be blended.
    if (!translucent && !m_shownShape.isEmpty()) {
        m_shownShape = QRegion();
        if (m_onShapeChanged)
            m_onShapeChanged(m_shownShape);
    }
    // Shadows come or go, and the group's bounds with them.
    const QRect bounds = groupBounds(m_frameTime);
    update(m_paintedBounds.united(bounds));
    m_paintedBounds = bounds;
}

Geometry::Layout TaskReminderFlightView::layout() const
{
    return Geometry::layout(m_configuration, width(), height(), m_flagWidth);
}

QRectF TaskReminderFlightView::airplaneRect() const
{
    const auto& l = m_configuration.layout;
    const Geometry::Layout group = layout();
    return {group.groupWidth - l.reminderFlightAirplaneWidth, (group.groupHeight - l.reminderFlightAirplaneHeight) / 2,
            l.reminderFlightAirplaneWidth, l.reminderFlightAirplaneHeight};
}

QPointF TaskReminderFlightView::bannerTopLeft() const
{
    // Laid out from the trailing edge: airplane, lead spacing, then the banner with its pole.
    const QSizeF banner = m_banner.size();
    return {airplaneRect().left() - m_configuration.layout.reminderFlightLeadSpacing - banner.width(),
            (layout().groupHeight - banner.height()) / 2};
}

QPointF TaskReminderFlightView::towHook(const QRectF& plane)
{
    const QPointF hook = TaskReminderAirplaneSpriteView::towHook();
    return {plane.left() + hook.x() * plane.width(), plane.top() + hook.y() * plane.height()};
}

QTransform TaskReminderFlightView::groupTransform(double now) const
{
    const Geometry::Layout group = layout();
    const bool started = m_flightStartDate.has_value();
    const double x = Geometry::x(group, m_flightStartDate, m_duration, now);
    const double y = group.centreY - group.groupHeight / 2 + Geometry::bob(m_configuration, m_reduceMotion, started, now);
    QTransform transform;
    transform.translate(x, y);
    // Rocks about the group's centre.
    transform.translate(group.groupWidth / 2, group.groupHeight / 2);
    transform.rotate(Geometry::jiggle(m_configuration, m_reduceMotion, started, now));
    transform.translate(-group.groupWidth / 2, -group.groupHeight / 2);
    return transform;
}

QRect TaskReminderFlightView::groupBounds(double now) const
{
    const Geometry::Layout group = layout();
    const double left = std::min(0.0, bannerTopLeft().x());
    const QRectF local(left, 0, group.groupWidth - left, group.groupHeight);
    const QRect bounds = groupTransform(now).mapRect(local).toAlignedRect();
    if (!m_translucent)
        return bounds.adjusted(-1, -1, 1, 1) & rect(); // a pixel for smoothing at the edges
    return bounds.adjusted(-shadowSideMargin, -shadowSideMargin, shadowSideMargin, shadowBottomMargin) & rect();
}

void TaskReminderFlightView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    start();
}

void TaskReminderFlightView::hideEvent(QHideEvent* event)
{
    stop();
    QWidget::hideEvent(event);
}

void TaskReminderFlightView::start()
{
    const double now = Motion::wallClock();
    m_duration = Geometry::duration(m_configuration, m_reduceMotion);
    m_flightStartDate = now + Geometry::startDelay;
    // Whole milliseconds, within what a QTimer can wait.
    const double delayMs = std::ceil(std::max(0.0, Geometry::completionDelay(m_duration)) * 1000);
    m_completionTimer.start(int(std::min(delayMs, double(std::numeric_limits<int>::max()))));

    // No faster than the motion's rate, nor than the screen can show.
    m_frameInterval =
        Geometry::tickInterval(m_configuration.interaction.reminderFlightMotionFramesPerSecond, 1.0 / 120);
    if (const QScreen* s = screen(); s && s->refreshRate() > 1)
        m_frameInterval = std::max(m_frameInterval, 1 / s->refreshRate());
    m_frameTime = now;
    m_paintedBounds = QRect();
    m_shownShape = QRegion();
    tick();
}

void TaskReminderFlightView::stop()
{
    m_completionTimer.stop();
    m_frameTimer.stop();
    m_flightStartDate.reset();
}

void TaskReminderFlightView::tick()
{
    // Each frame shows the moment it is due, and the next is due an interval
    // later: a whole number of milliseconds between frames would run fast or
    // slow of the screen and drift.
    const double now = Motion::wallClock();
    m_frameTime = Geometry::frameDue(now, m_frameInterval);
    const QRect bounds = groupBounds(m_frameTime);
    // Where the group was is painted again too: cleared, and cut from the window's shape.
    // One rectangle: within a plain rectangle Qt copies a picture without splitting it into spans.
    // Painted now, not on a later turn of the event loop: the frame goes out when it is due.
    const QRect painted = m_paintedBounds.united(bounds);
    m_paintedBounds = bounds;
    if (isVisible() && !painted.isEmpty())
        repaint(painted);
    // Beyond the right edge nothing is left to draw; the completion follows shortly.
    if (Geometry::x(layout(), m_flightStartDate, m_duration, m_frameTime) >= layout().endX)
        m_frameTimer.stop();
    else
        m_frameTimer.start(Geometry::millisecondsUntil(now, m_frameTime + m_frameInterval));
}

void TaskReminderFlightView::paintEvent(QPaintEvent*)
{
    if (!m_flightStartDate)
        return;
    QPainter painter(this);
    // Device pixels per point of what is painted on: the window's, or those of
    // an image the view is rendered into.
    const qreal ratio = painter.deviceTransform().m11() > 0 ? painter.deviceTransform().m11() : devicePixelRatioF();
    if (m_translucent)
        paintTranslucentFrame(painter, ratio);
    else
        paintOpaqueFrame(painter, ratio);
}

void TaskReminderFlightView::paintOpaqueGroup(QPainter& painter)
{
    painter.setTransform(groupTransform(m_frameTime), true);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);

    const QPointF bannerOrigin = bannerTopLeft();
    paintBannerFromPieces(painter, bannerOrigin);
    const QRectF plane = airplaneRect();
    if (m_airplane.hasFrame(m_frameTime)) {
        // The tow lines run from the tail to both ends of the pole; a line one
        // pixel wide keeps no pixel whole unless it is drawn without smoothing.
        const QPointF hook = towHook(plane);
        painter.setPen(QPen(opaqueTowLineColor, 1));
        painter.drawLine(m_banner.poleTop(bannerOrigin), hook);
        painter.drawLine(m_banner.poleBottom(bannerOrigin), hook);
    }
    m_airplane.paint(painter, plane, m_frameTime, false);
}

void TaskReminderFlightView::drawPiece(QPainter& painter, const QTransform& group, const QRectF& local,
                                       const QImage& piece) const
{
    // Upright, its centre where the rocking takes it, on whole device pixels: the
    // rocking turns a piece this size by less than half a pixel, and a picture
    // that is only moved is copied, never resampled.
    const qreal ratio = piece.devicePixelRatio();
    const QPointF topLeft = group.map(local.center()) * ratio - QPointF(piece.width(), piece.height()) / 2;
    painter.drawImage(QPointF(topLeft.toPoint()) / ratio, piece);
}

void TaskReminderFlightView::paintTranslucentFrame(QPainter& painter, qreal ratio)
{
    prepareBannerPieces(ratio);
    const QTransform group = groupTransform(m_frameTime);
    const QPointF bannerOrigin = bannerTopLeft();

    drawPiece(painter, group, m_banner.clothShadowRect(bannerOrigin, ratio), m_banner.clothShadow(ratio));
    // The cloth waves and rocks exactly: its outline is cut, smoothly, from the
    // still cloth turned by the nearest step of the rocking.
    QPolygonF outline = group.map(m_banner.clothOutline(bannerOrigin, m_frameTime));
    for (QPointF& point : outline)
        point *= ratio;
    const QImage& fill = turnedCloth(qRadiansToDegrees(std::atan2(group.m12(), group.m11())));
    const QPointF centre = group.map(m_banner.clothRect(bannerOrigin).center()) * ratio;
    const QImage& cloth =
        m_clothRaster.render(outline, fill, (centre - QPointF(fill.offset())).toPoint(), clothRim, ratio);
    if (!cloth.isNull())
        painter.drawImage(QPointF(cloth.offset()) / ratio, cloth);
    drawPiece(painter, group, m_polePieceRect, m_polePiece);

    const QRectF plane = airplaneRect();
    if (m_airplane.hasFrame(m_frameTime))
        drawPiece(painter, group, m_towLinesPieceRect, m_towLinesPiece);
    const QPointF planeCentre = group.map(plane.center());
    m_airplane.paint(painter, QRectF(planeCentre - QPointF(plane.width(), plane.height()) / 2, plane.size()),
                     m_frameTime, true, true);
}

void TaskReminderFlightView::prepareBannerPieces(qreal ratio)
{
    const double width = m_banner.clothWidth();
    if (width == m_stillWidth && ratio == m_stillRatio)
        return;
    m_stillWidth = width;
    m_stillRatio = ratio;
    m_turnedCloths.clear();
    // A banner that does not wave, drawn once: its title and pole are those of the flying one.
    TaskReminderBannerFlagView still(m_configuration, m_banner.message(),
                                     TaskReminderBannerFlagView::AttachmentSide::trailing, nullptr, true);
    QImage drawn((still.size() * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    drawn.setDevicePixelRatio(ratio);
    drawn.fill(Qt::transparent);
    QPainter painter(&drawn);
    still.paint(painter, QPointF(), 0, false);
    painter.end();

    // The fill over the whole box and a margin, which the waving outline never
    // leaves; the title sits within the padding, where no outline reaches.
    const QRectF cloth = still.clothRect(QPointF());
    const QRectF box(QPointF(), cloth.size());
    m_stillCloth = QImage((box.adjusted(0, 0, 2 * clothMargin, 2 * clothMargin).size() * ratio).toSize(),
                          QImage::Format_ARGB32_Premultiplied);
    painter.begin(&m_stillCloth);
    painter.scale(ratio, ratio);
    painter.translate(clothMargin, clothMargin);
    painter.fillRect(box.adjusted(-clothMargin, -clothMargin, clothMargin, clothMargin),
                     TaskReminderBannerFlagView::clothFill(cloth.size()));
    const auto& l = m_configuration.layout;
    const QRectF title = box.adjusted(l.reminderFlightFlagHorizontalPadding, l.reminderFlightFlagVerticalPadding,
                                      -l.reminderFlightFlagHorizontalPadding, -l.reminderFlightFlagVerticalPadding);
    painter.drawImage(title, drawn, QRectF(title.translated(cloth.topLeft()).topLeft() * ratio, title.size() * ratio));
    painter.end();
    const QRectF pole = still.poleColumn(QPointF());
    m_stillPole = drawn.copy(QRectF(pole.topLeft() * ratio, pole.size() * ratio).toAlignedRect());
    m_stillPole.setDevicePixelRatio(ratio);

    // With translucency the pole and the tow lines are only moved: the pole's
    // shadow reaches a point to each side and below; the lines run from the
    // tail to both ends of the pole.
    const QPointF bannerOrigin = bannerTopLeft();
    m_polePieceRect = wholePixels(m_banner.poleColumn(bannerOrigin).adjusted(-2, -1, 2, 3), ratio);
    m_polePiece = piece(m_polePieceRect, ratio, [&](QPainter& p) { m_banner.paintPole(p, bannerOrigin, true); });
    const QPointF hook = towHook(airplaneRect());
    const QPointF top = m_banner.poleTop(bannerOrigin), bottom = m_banner.poleBottom(bannerOrigin);
    m_towLinesPieceRect = wholePixels(
        QRectF(top, hook).normalized().united(QRectF(bottom, hook).normalized()).adjusted(-2, -2, 2, 2), ratio);
    m_towLinesPiece = piece(m_towLinesPieceRect, ratio, [&](QPainter& p) {
        p.setPen(QPen(towLineColor, 1));
        p.drawLine(top, hook);
        p.drawLine(bottom, hook);
    });
}


const QImage& TaskReminderFlightView::turnedCloth(double degrees)
{
    // The rocking is slight: a few angles a step apart look the same as every angle.
    const int step = int(std::lround(degrees / clothTurnStep));
    if (const auto found = m_turnedCloths.constFind(step); found != m_turnedCloths.cend())
        return *found;
    if (m_turnedCloths.size() >= 32) // a template that rocks far keeps only the angles of late
        m_turnedCloths.clear();
    QTransform turn;
    turn.rotate(step * clothTurnStep);
    const QPointF centre = QRectF(m_stillCloth.rect()).center();
    const QRect bounds = turn.mapRect(QRectF(m_stillCloth.rect()).translated(-centre)).toAlignedRect();
    QImage turned(bounds.size(), QImage::Format_ARGB32_Premultiplied);
    turned.fill(Qt::transparent);
    QPainter painter(&turned);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.translate(-bounds.topLeft());
    painter.setTransform(turn, true);
    painter.drawImage(-centre, m_stillCloth);
    painter.end();
    // Where the cloth's centre lies in the turned image.
    turned.setOffset(-bounds.topLeft());
    return *m_turnedCloths.insert(step, turned);
}

void TaskReminderFlightView::paintBannerFromPieces(QPainter& painter, const QPointF& bannerOrigin)
{
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1;
    prepareBannerPieces(ratio);
    // The waving outline is filled from the cloth's fill and title made once,
    // turned by the nearest step of the rocking: a fill that is only moved
    // costs a fraction of one turned pixel by pixel.
    const QPolygonF outline = m_banner.clothOutline(bannerOrigin, m_frameTime);
    const QTransform toDevice = painter.deviceTransform();
    const QImage& cloth = turnedCloth(qRadiansToDegrees(std::atan2(toDevice.m12(), toDevice.m11())));
    const QPointF centre = toDevice.map(m_banner.clothRect(bannerOrigin).center());
    const QPoint at = (centre - QPointF(cloth.offset())).toPoint();
    // The outline is turned here, so that the fill is only moved, never turned,
    // and its line, opaque and a point wide, is drawn on the quick path for unturned lines.
    QBrush fill(cloth);
    fill.setTransform(QTransform::fromTranslate(at.x(), at.y()) * QTransform::fromScale(1 / ratio, 1 / ratio));
    painter.save();
    const QPolygonF turnedOutline = painter.transform().map(outline);
    painter.resetTransform();
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawPolygon(turnedOutline);
    painter.setPen(QPen(opaqueClothEdgeColor, 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolygon(turnedOutline);
    painter.restore();
    painter.drawImage(m_banner.poleColumn(bannerOrigin), m_stillPole);
}

void TaskReminderFlightView::paintOpaqueFrame(QPainter& painter, qreal ratio)
{
    // The frame is drawn apart, in whole device pixels, then cut to what it
    // covers at least half: those pixels become opaque and are exactly what the
    // window's shape keeps. Rounded inwards, the frame's pixels lie within what
    // the window repaints for the bounds; the group keeps a point clear of them.
    QRegion shape;
    const QRectF bounds = QRectF(m_paintedBounds);
    const QPoint topLeft(int(std::ceil(bounds.left() * ratio)), int(std::ceil(bounds.top() * ratio)));
    const QPoint end(int(std::floor(bounds.right() * ratio)), int(std::floor(bounds.bottom() * ratio)));
    const QRect pixels(topLeft, end - QPoint(1, 1));
    if (!m_paintedBounds.isEmpty() && !pixels.isEmpty()) {
        // Drawn in one buffer, grown only: a frame this size would otherwise be
        // mapped, faulted in and unmapped by the allocator every time.
        if (m_frameBuffer.width() < pixels.width() || m_frameBuffer.height() < pixels.height())
            m_frameBuffer = QImage(pixels.size().expandedTo(m_frameBuffer.size()), QImage::Format_ARGB32_Premultiplied);
        QImage frame(m_frameBuffer.bits(), pixels.width(), pixels.height(), m_frameBuffer.bytesPerLine(),
                     QImage::Format_ARGB32_Premultiplied);
        frame.setDevicePixelRatio(ratio);
        frame.fill(Qt::transparent);
        QPainter framePainter(&frame);
        framePainter.translate(-QPointF(pixels.topLeft()) / ratio);
        paintOpaqueGroup(framePainter);
        framePainter.end();
        shape = OpaqueCutout::cut(frame).translated(pixels.topLeft());
        // Copied pixel for pixel.
        frame.setDevicePixelRatio(1);
        painter.setWorldTransform(QTransform::fromScale(1 / ratio, 1 / ratio));
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(pixels.topLeft(), frame);
    }
    // Set as the frame goes out, so the window shows this frame's pixels and no others.
    if (shape != m_shownShape) {
        m_shownShape = shape;
        if (m_onShapeChanged)
            m_onShapeChanged(m_shownShape);
    }
}
