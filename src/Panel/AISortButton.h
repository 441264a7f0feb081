#pragma once

#include "UI/Motion.h"
#include "Panel/NotchSlotButton.h"

#include <QColor>
#include <functional>
#include <optional>

// "AI Sort" in the left header slot. While a sort runs it shows our own
// spinner and the sorting title, and cannot be pressed; while AI task ranking
// is off in Settings it cannot be pressed either, and its tooltip says why.
class AISortButton final : public NotchSlotButton {
    Q_OBJECT
public:
    struct Inputs {
        NotchTemplateConfiguration configuration = NotchTemplateConfiguration::defaults();
        bool isSorting = false;
        bool hasCompletedOnboarding = false;
        std::optional<QColor> accentColor;
        bool aiTaskRankingEnabled = true;
    };

    explicit AISortButton(QWidget* parent = nullptr, std::function<double()> clock = &Motion::animationClock);

    void setInputs(const Inputs& inputs);
    const Inputs& inputs() const { return m_inputs; }
    void setAction(std::function<void()> action) { m_action = std::move(action); }

    QString title() const;
    bool isSpinning() const { return m_spinner.isRunning(); }

    // The spinner's twelve spokes at a moment: the brightest spoke's index.
    static int leadingSpoke(double seconds);

protected:
    QSizeF labelSize() const override;
    void paintLabel(QPainter& painter, const QRectF& rect, const QColor& foreground) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void updateSpinner();
    QFont titleFont() const;

    Inputs m_inputs;
    std::function<void()> m_action;
    std::function<double()> m_clock;
    Motion::Animator m_spinner;
    int m_paintedSpoke = -1;
};
