#pragma once

#include "ControlPanel/ControlPanelViewModel.h"
#include "UI/Binding.h"

#include <QPointer>
#include <QWidget>
#include <functional>

class OverviewActionRow;
class QMessageBox;
class OverviewChartCard;
class OverviewMetricCard;

// The first page: completed and remaining counts, the completion chart, and
// rows for the on-device model and the settings.
class OverviewPage final : public QWidget {
    Q_OBJECT
public:
    using Range = ControlPanelViewModel::CompletionChartRange;

    explicit OverviewPage(ControlPanelViewModel& viewModel, QWidget* parent = nullptr);

    // The chart's range, owned by the root view.
    void setSelectedRange(Binding<Range> selectedRange);
    // Re-reads the counts, the chart points of the selected range and the last known model state.
    void refresh();

    OverviewMetricCard* completedTile() const { return m_completed; }
    OverviewMetricCard* remainingTile() const { return m_remaining; }
    OverviewChartCard* chartCard() const { return m_chart; }
    OverviewActionRow* modelRow() const { return m_modelRow; }
    OverviewActionRow* settingsRow() const { return m_settingsRow; }
    // Shown by the model row while no model server answers, in place of its page.
    QMessageBox* modelHelp() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refreshModelRow();
    void openModelRow();

    ControlPanelViewModel& m_viewModel;
    Binding<Range> m_selectedRange = Binding<Range>::stored(Range::sevenDays);
    OverviewMetricCard* m_completed;
    OverviewMetricCard* m_remaining;
    OverviewChartCard* m_chart;
    OverviewActionRow* m_modelRow;
    OverviewActionRow* m_settingsRow;
    QPointer<QMessageBox> m_modelHelp;
};
