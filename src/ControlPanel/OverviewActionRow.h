#pragma once

#include "ControlPanel/ControlPanelViewModel.h"

#include <QAbstractButton>
#include <functional>
#include <optional>

// A full-width row button of the overview page: symbol, title and subtitle, an
// optional status badge and a chevron. The whole row is the hit area.
class OverviewActionRow final : public QAbstractButton {
    Q_OBJECT
public:
    struct Inputs {
        QString systemImage;
        QString title;
        QString subtitle;
        std::optional<QString> badgeTitle;
        ControlPanelStatusTint badgeTint = ControlPanelStatusTint::neutral;
        bool showsDivider = false;
    };

    OverviewActionRow(Inputs inputs, std::function<void()> action, QWidget* parent = nullptr);

    void setInputs(const Inputs& inputs);
    const Inputs& inputs() const { return m_inputs; }
    bool isHovered() const { return m_isHovered; }
    // Where the badge is drawn, empty without one.
    QRect badgeRect() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    Inputs m_inputs;
    bool m_isHovered = false;
};
