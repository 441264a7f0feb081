#pragma once

#include "UI/Motion.h"
#include "Template/NotchTemplateConfiguration.h"

#include <QColor>
#include <QWidget>
#include <functional>
#include <utility>

// The number of visible tasks in the header. Every digit sits in a cell as
// wide as the widest digit, so the number never jitters as it changes; a
// change rolls the new number in over the old one.
class WorkspaceTaskCounter final : public QWidget {
    Q_OBJECT
public:
    struct Inputs {
        NotchTemplateConfiguration configuration = NotchTemplateConfiguration::defaults();
        int taskCount = 0;
        QColor color;
        bool reduceMotion = false;
    };

    explicit WorkspaceTaskCounter(QWidget* parent = nullptr, std::function<double()> clock = &Motion::animationClock);

    void setInputs(const Inputs& inputs);
    const Inputs& inputs() const { return m_inputs; }
    QString text() const { return QString::number(m_inputs.taskCount); }
    bool isAnimating() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // Width of one digit cell in the font.
    static double digitCellWidth(const QFont& font);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont counterFont() const;
    void paintNumber(QPainter& painter, const QString& number, double yOffset, double opacity);
    // The digits' offset in eighths of a pixel and their opacity in 1/255ths at a roll.
    std::pair<int, int> rollLook(double roll) const;
    // Repaints a frame of the roll only when the digits would be drawn somewhere new.
    void updateRoll();

    Inputs m_inputs;
    std::function<double()> m_clock;
    int m_previousCount = 0;
    mutable Motion::Value m_roll{1};
    std::pair<int, int> m_paintedLook{-1, -1};
    Motion::Animator m_animator;
};
