#include "Reminders/TaskReminderOverlayPresenter.h"

#include "Platform/OverlayWindow.h"
#include "Platform/PointerMonitor.h"
#include "Platform/QtScreenInfoProvider.h"
#include "Reminders/TaskReminderFlightGeometry.h"
#include "Reminders/TaskReminderFlightView.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

namespace {
// The flight's window: never focused, never in the way of a click. Hiding it
// from outside (a close request, an unmap) ends the flight.
class ReminderPanel final : public OverlayWindow {
public:
    explicit ReminderPanel(std::function<void()> onHiddenFromOutside)
        : m_onHiddenFromOutside(std::move(onHiddenFromOutside))
    {
        setFocusPolicy(Qt::NoFocus);
        setIgnoresMouseEvents(true);
    }
    void takeDown()
    {
        m_takingDown = true;
        orderOut();
    }

protected:
    void hideEvent(QHideEvent* event) override
    {
        OverlayWindow::hideEvent(event);
        if (!m_takingDown && m_onHiddenFromOutside)
            m_onHiddenFromOutside();
    }

private:
    std::function<void()> m_onHiddenFromOutside;
    bool m_takingDown = false;
};
} // namespace

TaskReminderOverlayPresenter::Environment TaskReminderOverlayPresenter::Environment::live(bool reduceMotion)
{
    Environment environment;
    environment.screenGeometries = [] {
        QList<QRect> geometries;
        QScreen* primary = QGuiApplication::primaryScreen();
        if (primary)
            geometries.append(primary->geometry());
        for (QScreen* screen : QGuiApplication::screens()) {
            if (screen != primary)
                geometries.append(screen->geometry());
        }
        return geometries;
    };
    environment.mouseLocation = [] { return PointerMonitor::pointFromPixel(QCursor::pos()); };
    environment.reduceMotion = reduceMotion;
    return environment;
}

TaskReminderOverlayPresenter::TaskReminderOverlayPresenter(Environment environment, QObject* parent)
    : QObject(parent), m_environment(std::move(environment))
{
    if (qGuiApp)
        connect(qGuiApp, &QGuiApplication::screenAdded, this, &TaskReminderOverlayPresenter::screensChanged);
}

TaskReminderOverlayPresenter::~TaskReminderOverlayPresenter()
{
    m_dismissing = true;
    delete m_panel.data();
}

bool TaskReminderOverlayPresenter::isShowing() const
{
    return m_panel != nullptr;
}

OverlayWindow* TaskReminderOverlayPresenter::panel() const
{
    return m_panel;
}

TaskReminderFlightView* TaskReminderOverlayPresenter::flightView() const
{
    return m_flightView;
}

std::optional<QRect> TaskReminderOverlayPresenter::screenUnderMouse() const
{
    const QList<QRect> geometries = m_environment.screenGeometries ? m_environment.screenGeometries() : QList<QRect>();
    if (geometries.isEmpty())
        return std::nullopt;
    // The choice is made in screen points, where edges belong to the screen on their left and below.
    const double flipHeight = double(geometries.first().y()) + double(geometries.first().height());
    QList<Rect> frames;
    for (const QRect& geometry : geometries)
        frames.append(QtScreenInfoProvider::screenInfo(geometry, flipHeight).frame);
    const QPointF pointer = m_environment.mouseLocation ? m_environment.mouseLocation() : QPointF();
    const auto index = TaskReminderFlightGeometry::screenIndex(frames, Point{pointer.x(), pointer.y()}, 0);
    if (!index)
        return std::nullopt;
    return geometries[*index];
}

void TaskReminderOverlayPresenter::present(const QString& title, const NotchTemplateConfiguration& configuration,
                                           std::function<void()> onFinished)
{
    Request request{title, configuration, std::move(onFinished)};
    if (m_panel || !m_waiting.empty() || !show(request)) {
        // Dropping it would leave the reminder marked as flying for good.
        m_waiting.push_back(std::move(request));
    }
}

void TaskReminderOverlayPresenter::present(const QString& title, const NotchTemplateConfiguration& configuration)
{
    if (m_panel || !m_waiting.empty())
        return;
    show(Request{title, configuration, nullptr});
}

bool TaskReminderOverlayPresenter::show(Request request)
{
    const auto geometry = screenUnderMouse();
    if (!geometry)
        return false;

    QPointer<TaskReminderOverlayPresenter> self(this);
    auto* panel = new ReminderPanel([self] {
        if (self && !self->m_dismissing)
            self->dismiss();
    });
    auto* view = new TaskReminderFlightView(request.configuration, request.title, [self] {
        if (self)
            self->dismiss();
    }, m_environment.reduceMotion, panel);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view);
    panel->setGeometry(*geometry);
    // A screen reader finds a reminder window, whose one element reads as the title.
    panel->setAccessibleName(QStringLiteral("Reminder"));

    m_panel = panel;
    m_flightView = view;
    m_onFinished = std::move(request.onFinished);
    // Without a compositor translucent pixels show black: the window keeps only
    // the flying group. A compositor may stop or start during the flight.
    // The window's shape is the view's, frame by frame; shut until the first opaque frame is painted.
    panel->setVisiblePixels(QRegion());
    view->setOnShapeChanged([panel](const QRegion& pixels) { panel->setVisiblePixels(pixels); });
    view->setTranslucent(panel->isCompositing());
    connect(panel, &OverlayWindow::compositingChanged, view, &TaskReminderFlightView::setTranslucent);
    panel->orderFront();
    return true;
}

void TaskReminderOverlayPresenter::dismiss()
{
    if (!m_panel)
        return;
    m_dismissing = true;
    auto* panel = static_cast<ReminderPanel*>(m_panel.data());
    panel->takeDown();
    panel->deleteLater();
    m_panel = nullptr;
    m_flightView = nullptr;
    m_dismissing = false;
    const auto onFinished = std::move(m_onFinished);
    m_onFinished = nullptr;
    if (onFinished)
        onFinished();
    startWaiting();
}

void TaskReminderOverlayPresenter::startWaiting()
{
    while (!m_panel && !m_waiting.empty()) {
        if (!show(m_waiting.front()))
            return; // still no screen
        m_waiting.pop_front();
    }
}

void TaskReminderOverlayPresenter::screensChanged()
{
    startWaiting();
}
