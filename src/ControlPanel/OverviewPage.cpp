#include "ControlPanel/OverviewPage.h"

#include "ControlPanel/ControlPanelStyle.h"
#include "ControlPanel/GroupedCard.h"
#include "ControlPanel/OverviewActionRow.h"
#include "ControlPanel/OverviewChartCard.h"
#include "ControlPanel/OverviewMetricCard.h"

#include <QGridLayout>
#include <QMessageBox>
#include <QVBoxLayout>

OverviewPage::OverviewPage(ControlPanelViewModel& viewModel, QWidget* parent)
    : QWidget(parent), m_viewModel(viewModel),
      m_completed(new OverviewMetricCard({std::nullopt, QStringLiteral("0"), QStringLiteral("Total Tasks Completed"),
                                          QStringLiteral("checkmark.circle"), OverviewMetricCard::AccentStyle::completed})),
      m_remaining(new OverviewMetricCard({std::nullopt, QStringLiteral("0"), QStringLiteral("Tasks Remaining"),
                                          QStringLiteral("circle"), OverviewMetricCard::AccentStyle::remaining})),
      m_chart(new OverviewChartCard(viewModel.calendar()))
{
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(16 - GroupedCard::shadowMargin);

    auto* metrics = new QGridLayout;
    metrics->setHorizontalSpacing(16);
    metrics->setVerticalSpacing(16);
    metrics->setContentsMargins(GroupedCard::shadowMargin, 0, GroupedCard::shadowMargin, GroupedCard::shadowMargin);
    metrics->addWidget(m_completed, 0, 0);
    metrics->addWidget(m_remaining, 0, 1);
    page->addLayout(metrics);
    page->addWidget(m_chart);

    auto* rows = new GroupedOverviewRows;
    m_modelRow = new OverviewActionRow({QStringLiteral("sparkles"), QStringLiteral("On-Device Model"), QString(),
                                        std::nullopt, ControlPanelStatusTint::neutral, true},
                                       [this] { openModelRow(); });
    m_settingsRow = new OverviewActionRow(
        {QStringLiteral("gearshape"), QStringLiteral("Settings"), QStringLiteral("Control launch and appearance preferences."),
         std::nullopt, ControlPanelStatusTint::neutral, false},
        [this] { m_viewModel.setSelectedDestination(ControlPanelDestination::settings); });
    rows->rows()->addWidget(m_modelRow);
    rows->rows()->addWidget(m_settingsRow);
    page->addWidget(rows);
    page->addStretch(1);

    connect(&m_viewModel, &ControlPanelViewModel::modelAvailabilityChanged, this, &OverviewPage::refreshModelRow);
    refreshModelRow();
}

void OverviewPage::setSelectedRange(Binding<Range> selectedRange)
{
    m_selectedRange = std::move(selectedRange);
}

void OverviewPage::refresh()
{
    const Range range = m_selectedRange.value();
    m_completed->setValue(QString::number(m_viewModel.completedTaskCount()));
    m_remaining->setValue(QString::number(m_viewModel.remainingTasks().size()));
    m_chart->setInputs(m_viewModel.chartPoints(range), m_selectedRange);
    refreshModelRow();
}

void OverviewPage::refreshModelRow()
{
    const auto status = m_viewModel.modelStatus();
    OverviewActionRow::Inputs inputs = m_modelRow->inputs();
    inputs.subtitle = status.subtitle;
    inputs.badgeTitle = status.badgeTitle;
    inputs.badgeTint = status.badgeTint;
    m_modelRow->setInputs(inputs);
}

QMessageBox* OverviewPage::modelHelp() const
{
    return m_modelHelp;
}

void OverviewPage::openModelRow()
{
    const auto status = m_viewModel.modelStatus();
    if (status.opensServerPage) {
        m_viewModel.openAppleIntelligenceSettings();
        return;
    }
    // Nothing answers there, so there is no page to open: say where the setup is explained.
    if (!m_modelHelp) {
        m_modelHelp = new QMessageBox(QMessageBox::Information, QStringLiteral("On-Device Model"), QString(),
                                      QMessageBox::Ok, this);
        ControlPanelStyle::followParentAppearance(m_modelHelp);
        m_modelHelp->setAttribute(Qt::WA_DeleteOnClose);
        m_modelHelp->setTextFormat(Qt::PlainText);
    }
    const QString address = m_viewModel.modelServerAddress();
    m_modelHelp->setText(status.subtitle);
    m_modelHelp->setInformativeText(
        QStringLiteral("Start a language model server on this computer (llama.cpp's llama-server, Ollama or LM Studio)%1, "
                       "or point QUAVERLOOM_MODEL_URL at the one you run. The \u201CLocal model\u201D section of the "
                       "README explains how.")
            .arg(address.isEmpty() ? QString() : QStringLiteral(" listening at ") + address));
    m_modelHelp->open();
}

void OverviewPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Never wait for the model server: show what is known and ask again in the background.
    m_viewModel.refreshModelAvailability();
}
