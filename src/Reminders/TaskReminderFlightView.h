#pragma once

#include "Reminders/BannerClothRaster.h"
#include "Reminders/TaskReminderAirplaneSpriteView.h"
#include "Reminders/TaskReminderBannerFlagView.h"
#include "Reminders/TaskReminderFlightGeometry.h"
#include "Template/NotchTemplateConfiguration.h"

#include <QHash>
#include <QImage>
#include <QTimer>
#include <QTransform>
#include <QWidget>
#include <functional>
#include <optional>

// The content of the full-screen reminder window: a banner towed by an
// airplane crosses the screen at mid height, from beyond the left edge to
// beyond the right one, bobbing and rocking with the wall clock. The end of
// the flight is reported once; a view that is hidden first reports nothing.
// Only the moving group's rectangle is repainted.
class TaskReminderFlightView final : public QWidget {
    Q_OBJECT
public:
    TaskReminderFlightView(const NotchTemplateConfiguration& configuration, const QString& message,
                           std::function<void()> onCompletion, bool reduceMotion, QWidget* parent = nullptr);
    ~TaskReminderFlightView() override;

    // Whether the window's translucent pixels are blended (a compositor runs),
    // followed during the flight. With translucency the group is drawn with
    // soft edges and shadows. Without, the window keeps only what is painted:
    // every frame is drawn opaque or not at all, and the shape handler hears
    // the shape of what was painted, in the view's device pixels, as the frame
    // is painted and only when it differs from the last one; when translucency
    // goes, it hears at once that nothing is left of the last shape it heard.
    void setTranslucent(bool translucent);
    bool isTranslucent() const { return m_translucent; }
    void setOnShapeChanged(std::function<void(const QRegion&)> onShapeChanged);

    double flagWidth() const { return m_flagWidth; }
    std::optional<double> flightStartDate() const { return m_flightStartDate; }
    bool isFlying() const { return m_completionTimer.isActive(); }
    bool isTicking() const { return m_frameTimer.isActive(); }
    TaskReminderAirplaneSpriteView& airplane() { return m_airplane; }

    // Where the group is drawn at a wall-clock time, shadows included.
    QRect groupBounds(double now) const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void start();
    void stop();
    void tick();
    void paintOpaqueGroup(QPainter& painter);
    void paintTranslucentFrame(QPainter& painter, qreal ratio);
    void paintOpaqueFrame(QPainter& painter, qreal ratio);
    void drawPiece(QPainter& painter, const QTransform& group, const QRectF& local, const QImage& piece) const;
    void paintBannerFromPieces(QPainter& painter, const QPointF& bannerOrigin);
    void prepareBannerPieces(qreal ratio);
    const QImage& turnedCloth(double degrees);
    TaskReminderFlightGeometry::Layout layout() const;
    QTransform groupTransform(double now) const;
    QRectF airplaneRect() const;
    QPointF bannerTopLeft() const;
    static QPointF towHook(const QRectF& plane);

    NotchTemplateConfiguration m_configuration;
    std::function<void()> m_onCompletion;
    bool m_reduceMotion;
    std::optional<double> m_flightStartDate;
    double m_flagWidth = 0;
    double m_duration = 0;
    TaskReminderBannerFlagView m_banner;
    TaskReminderAirplaneSpriteView m_airplane;
    std::function<void(const QRegion&)> m_onShapeChanged;
    bool m_translucent = true;
    QTimer m_frameTimer;
    QTimer m_completionTimer;
    double m_frameInterval = 1.0 / 60;
    double m_frameTime = 0; // the wall-clock time the current frame shows
    QRect m_paintedBounds;
    // The banner is drawn from pieces made once a flight: the cloth's fill
    // with its title over the cloth's whole box, and the pole.
    QImage m_stillCloth;
    QHash<int, QImage> m_turnedCloths; // by angle step
    QImage m_stillPole;
    double m_stillWidth = -1;
    qreal m_stillRatio = 0;
    QRegion m_shownShape; // the window's shape after the last paint
    QImage m_frameBuffer; // without translucency, where each frame is drawn and cut
    // With translucency the rigid parts, made with the pieces above, are
    // upright and each frame only moves them; the cloth is cut from the still cloth.
    QImage m_polePiece;
    QRectF m_polePieceRect; // in group coordinates
    QImage m_towLinesPiece;
    QRectF m_towLinesPieceRect;
    BannerClothRaster m_clothRaster;
};
