#pragma once

#include "Model/AppPreferences.h"

#include <QAbstractButton>

// One destination in the sidebar: its symbol and title, highlighted while selected.
class SidebarListRow final : public QAbstractButton {
    Q_OBJECT
public:
    explicit SidebarListRow(ControlPanelDestination destination, QWidget* parent = nullptr);

    ControlPanelDestination destination() const { return m_destination; }
    static QString title(ControlPanelDestination destination);
    static QString symbol(ControlPanelDestination destination);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ControlPanelDestination m_destination;
};
