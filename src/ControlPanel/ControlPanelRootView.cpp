#include "ControlPanel/ControlPanelRootView.h"

#include "ControlPanel/ControlPanelStyle.h"
#include "ControlPanel/HistoryPage.h"
#include "ControlPanel/OverviewChartCard.h"
#include "ControlPanel/OverviewPage.h"
#include "ControlPanel/PageHeader.h"
#include "ControlPanel/SettingsPage.h"
#include "ControlPanel/SidebarListRow.h"
#include "Workspace/NotchTaskViewModel.h"

#include <QButtonGroup>
#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

using namespace ControlPanelStyle;

namespace {
constexpr int sidebarWidth = 248;
constexpr int contentMaximumWidth = 960;
constexpr int contentHorizontalPadding = 32;

// The sidebar's column: a tone apart from the pages, with a hairline on its edge.
class SidebarColumn final : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QPalette& colors = palette();
        painter.fillRect(rect(), isDark(colors) ? colors.color(QPalette::Window).lighter(115)
                                                : colors.color(QPalette::Window).darker(104));
        painter.setPen(primary(colors, 0.1));
        painter.drawLine(width() - 1, 0, width() - 1, height());
    }
};

// The pages' background.
class DetailBackground final : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), palette().color(QPalette::Window)); }
};

QLabel* sectionTitle(const QString& text)
{
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    label->setFont(textFont(TextStyle::caption, QFont::DemiBold));
    label->setForegroundRole(QPalette::PlaceholderText);
    label->setContentsMargins(10, 12, 0, 4);
    return label;
}

QString headerTitle(ControlPanelDestination destination)
{
    return SidebarListRow::title(destination);
}
} // namespace

ControlPanelRootView::ControlPanelRootView(const NotchTemplateConfiguration& configuration,
                                           ControlPanelViewModel& viewModel, bool reduceMotion, QWidget* parent)
    : QWidget(parent), m_configuration(configuration), m_viewModel(viewModel), m_reduceMotion(reduceMotion),
      m_onboardingFactory(onboardingView())
{
    setMinimumSize(1040, 760);
    m_split = new QWidget(this);
    auto* split = new QHBoxLayout(m_split);
    split->setContentsMargins(0, 0, 0, 0);
    split->setSpacing(0);
    m_sidebar = makeSidebar();
    split->addWidget(m_sidebar);

    m_detail = new QScrollArea;
    m_detail->setFrameShape(QFrame::NoFrame);
    m_detail->setWidgetResizable(true);
    m_detail->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_detail->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_detail->viewport()->installEventFilter(this);
    auto* host = new DetailBackground;
    auto* centring = new QHBoxLayout(host);
    centring->setContentsMargins(0, 0, 0, 0);
    auto* column = new QWidget;
    // The content is at most 960 wide; the padding comes on top of that.
    column->setMaximumWidth(contentMaximumWidth + 2 * contentHorizontalPadding);
    auto* stack = new QVBoxLayout(column);
    // The cards keep room for their shadows; the page's own padding makes up the rest.
    stack->setContentsMargins(contentHorizontalPadding - 14, 24, contentHorizontalPadding - 14, 24);
    stack->setSpacing(20);
    m_header = new PageHeader;
    m_header->setContentsMargins(14, 0, 14, 0);
    stack->addWidget(m_header);
    m_overview = new OverviewPage(m_viewModel);
    m_overview->chartCard()->chartView()->setReduceMotion(reduceMotion);
    m_history = new HistoryPage(reduceMotion);
    m_settings = new SettingsPage(configuration, m_viewModel);
    // Owned by the header from the start: it is placed there only once History is shown.
    m_historyAccessory = new HistoryHeaderAccessory(m_header);
    m_historyAccessory->hide();
    for (QWidget* page : std::initializer_list<QWidget*>{m_overview, m_history, m_settings}) {
        page->hide();
        stack->addWidget(page);
    }
    stack->addStretch(1);
    centring->addStretch(0);
    centring->addWidget(column, 1);
    centring->addStretch(0);
    m_detail->setWidget(host);
    split->addWidget(m_detail, 1);

    m_modalLayer = new QWidget(this);
    m_modalLayer->setLayout(new QVBoxLayout);
    m_modalLayer->layout()->setContentsMargins(0, 0, 0, 0);
    // Opaque, so that a video playing in the modal does not repaint the pages underneath with every frame.
    m_modalLayer->setAutoFillBackground(true);
    m_modalLayer->hide();

    m_overview->setSelectedRange({[this] { return m_selectedChartRange; }, [this](Range range) { setSelectedChartRange(range); }});
    m_settings->onReplayOnboarding = [this] { presentModal(ControlPanelViewModel::ActiveModal::onboarding); };
    m_historyAccessory->onClearAll = [this] { confirmHistoryClear(); };

    connect(&m_viewModel, &ControlPanelViewModel::selectedDestinationChanged, this, &ControlPanelRootView::sync);
    connect(&m_viewModel, &ControlPanelViewModel::activeModalChanged, this, &ControlPanelRootView::sync);
    connect(&m_viewModel, &ControlPanelViewModel::sessionChanged, this, &ControlPanelRootView::sync);
    NotchTaskViewModel& tasks = m_viewModel.taskViewModel();
    connect(&tasks, &NotchTaskViewModel::tasksChanged, this, &ControlPanelRootView::sync);
    connect(&tasks, &NotchTaskViewModel::sectionsChanged, this, &ControlPanelRootView::sync);
    connect(&tasks, &NotchTaskViewModel::reminderStateVersionChanged, this, &ControlPanelRootView::sync);
    syncNow();
}

ControlPanelRootView::~ControlPanelRootView() = default;

QWidget* ControlPanelRootView::makeSidebar()
{
    auto* sidebar = new SidebarColumn;
    sidebar->setFixedWidth(sidebarWidth);
    sidebar->setAccessibleName(QStringLiteral("Control Panel"));
    auto* column = new QVBoxLayout(sidebar);
    column->setContentsMargins(0, 12, 0, 0);
    column->setSpacing(0);
    auto* list = new QVBoxLayout;
    list->setContentsMargins(10, 0, 10, 0);
    list->setSpacing(2);
    auto* group = new QButtonGroup(sidebar);
    group->setExclusive(true);
    const std::pair<QString, QList<ControlPanelDestination>> sections[] = {
        {QStringLiteral("Control Panel"), {ControlPanelDestination::overview, ControlPanelDestination::completed}},
        {QStringLiteral("Preferences"), {ControlPanelDestination::settings}},
    };
    for (const auto& [title, destinations] : sections) {
        list->addWidget(sectionTitle(title));
        for (ControlPanelDestination destination : destinations) {
            auto* row = new SidebarListRow(destination);
            group->addButton(row);
            m_sidebarRows.append(row);
            list->addWidget(row);
            // Selecting writes the destination; nothing can clear the selection.
            connect(row, &SidebarListRow::clicked, this, [this, destination] {
                m_viewModel.setSelectedDestination(destination);
                syncNow();
            });
        }
    }
    column->addLayout(list);
    column->addStretch(1);

    auto* divider = new QFrame;
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setForegroundRole(QPalette::Mid);
    column->addWidget(divider);
    auto* brand = new QLabel(QStringLiteral("QuaverLoom"));
    QFont brandFont(QStringLiteral("Times New Roman"));
    brandFont.setPixelSize(textFont(TextStyle::subheadline).pixelSize());
    brand->setFont(brandFont);
    brand->setContentsMargins(16, 10, 16, 14);
    brand->setAccessibleName(QStringLiteral("QuaverLoom"));
    column->addWidget(brand);
    return sidebar;
}

SidebarListRow* ControlPanelRootView::sidebarRow(ControlPanelDestination destination) const
{
    for (SidebarListRow* row : m_sidebarRows) {
        if (row->destination() == destination)
            return row;
    }
    return nullptr;
}

void ControlPanelRootView::setOnboardingFactory(OnboardingFactory factory)
{
    m_onboardingFactory = factory ? std::move(factory) : onboardingView();
}

ControlPanelRootView::OnboardingFactory
ControlPanelRootView::onboardingView(ControlPanelOnboardingView::VideoResolver resolveVideo)
{
    return [resolveVideo = std::move(resolveVideo)](const NotchTemplateConfiguration& configuration,
                                                    std::function<void()> onClose, QWidget* parent) -> QWidget* {
        return new ControlPanelOnboardingView(configuration, configuration.content.onboardingSlides,
                                              configuration.content.onboardingCloseAccessibilityLabel,
                                              std::move(onClose), parent, resolveVideo);
    };
}

void ControlPanelRootView::presentModal(ControlPanelViewModel::ActiveModal modal)
{
    m_viewModel.setActiveModal(modal);
}

bool ControlPanelRootView::isModalPresented() const
{
    return m_viewModel.activeModal().has_value();
}

void ControlPanelRootView::setSelectedChartRange(Range range)
{
    if (m_selectedChartRange == range)
        return;
    m_selectedChartRange = range;
    if (m_viewModel.selectedDestination() == ControlPanelDestination::overview)
        m_overview->refresh();
}

void ControlPanelRootView::sync()
{
    m_sync.request();
}

void ControlPanelRootView::syncNow()
{
    m_sync.cancel();
    const ControlPanelDestination destination = m_viewModel.selectedDestination();
    selectSidebarRow(destination);

    // Only the shown page reads the workspace; the others catch up when shown.
    QWidget* accessory = nullptr;
    QString subtitle;
    QWidget* page = nullptr;
    switch (destination) {
    case ControlPanelDestination::overview:
        m_overview->refresh();
        page = m_overview;
        break;
    case ControlPanelDestination::completed: {
        auto sections = m_viewModel.completedSections();
        qsizetype total = 0;
        for (const auto& section : sections)
            total += section.items.size();
        m_history->setSections(std::move(sections));
        m_historyAccessory->setTotal(total);
        accessory = m_historyAccessory;
        subtitle = QStringLiteral("Completed activity organized by day.");
        page = m_history;
        break;
    }
    case ControlPanelDestination::settings:
        m_settings->refresh();
        page = m_settings;
        break;
    }
    m_header->setContent(headerTitle(destination), subtitle, accessory);
    m_detail->setAccessibleName(headerTitle(destination));
    for (QWidget* candidate : std::initializer_list<QWidget*>{m_overview, m_history, m_settings})
        candidate->setVisible(candidate == page);
    if (destination == ControlPanelDestination::overview)
        m_detail->verticalScrollBar()->setValue(0);

    showModalLayer(m_viewModel.activeModal().has_value());
}

void ControlPanelRootView::selectSidebarRow(ControlPanelDestination destination)
{
    // The sidebar is one list: the keyboard reaches it on the selected row, and
    // a selection made elsewhere (a shortcut row, the end of the onboarding)
    // takes the focus along, so no other row stays highlighted.
    SidebarListRow* selected = sidebarRow(destination);
    const bool sidebarHasFocus = m_sidebarRows.contains(window()->focusWidget());
    for (SidebarListRow* row : m_sidebarRows) {
        row->setChecked(row == selected);
        row->setFocusPolicy(row == selected ? Qt::StrongFocus : Qt::ClickFocus);
    }
    if (sidebarHasFocus && selected && !selected->hasFocus())
        selected->setFocus(Qt::OtherFocusReason);
}

void ControlPanelRootView::showModalLayer(bool shown)
{
    if (shown == m_modalShown)
        return;
    m_modalShown = shown;
    // While the modal is up, nothing underneath takes input.
    m_split->setEnabled(!shown);
    auto* effect = new QGraphicsOpacityEffect(m_modalLayer);
    m_modalLayer->setGraphicsEffect(effect);
    auto* fade = new QPropertyAnimation(effect, "opacity", m_modalLayer);
    fade->setDuration(m_reduceMotion ? 0 : 200);
    fade->setEasingCurve(QEasingCurve::InOutCubic);
    if (shown) {
        // A sequence still fading out goes at once.
        delete m_leavingModalContent;
        m_modalContent = m_onboardingFactory(m_configuration, [this] { m_viewModel.finishOnboarding(); }, m_modalLayer);
        m_modalLayer->layout()->addWidget(m_modalContent);
        m_modalLayer->setGeometry(rect());
        m_modalLayer->show();
        m_modalLayer->raise();
        m_modalContent->setFocus();
        fade->setStartValue(0.0);
        fade->setEndValue(1.0);
        // The effect costs a pass per frame; it goes once the fade is done.
        connect(fade, &QPropertyAnimation::finished, m_modalLayer,
                [layer = m_modalLayer] { layer->setGraphicsEffect(nullptr); });
    } else {
        m_leavingModalContent = m_modalContent;
        m_modalContent = nullptr;
        fade->setStartValue(1.0);
        fade->setEndValue(0.0);
        connect(fade, &QPropertyAnimation::finished, m_modalLayer, [this] {
            if (m_leavingModalContent)
                m_leavingModalContent->deleteLater();
            // A new presentation may have started during the fade.
            if (!m_modalShown)
                m_modalLayer->hide();
            m_modalLayer->setGraphicsEffect(nullptr);
        });
    }
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void ControlPanelRootView::confirmHistoryClear()
{
    if (m_confirmation)
        return;
    auto* dialog = new QMessageBox(this);
    followParentAppearance(dialog);
    dialog->setIcon(QMessageBox::Warning);
    dialog->setWindowTitle(QStringLiteral("Clear all history?"));
    dialog->setText(QStringLiteral("Clear all history?"));
    dialog->setInformativeText(QStringLiteral("This permanently removes every completed task from History."));
    dialog->setTextFormat(Qt::PlainText);
    QPushButton* clear = dialog->addButton(QStringLiteral("Clear All History"), QMessageBox::DestructiveRole);
    markDestructive(clear);
    QPushButton* cancel = dialog->addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    dialog->setDefaultButton(cancel);
    dialog->setEscapeButton(cancel);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QMessageBox::buttonClicked, this, [this, clear](QAbstractButton* button) {
        if (button == clear)
            m_viewModel.taskViewModel().clearCompletedHistory();
    });
    m_confirmation = dialog;
    dialog->open();
}

void ControlPanelRootView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_split->setGeometry(rect());
    m_modalLayer->setGeometry(rect());
}

bool ControlPanelRootView::eventFilter(QObject* watched, QEvent* event)
{
    // The overview page never scrolls.
    if (watched == m_detail->viewport() && event->type() == QEvent::Wheel
        && m_viewModel.selectedDestination() == ControlPanelDestination::overview)
        return true;
    return QWidget::eventFilter(watched, event);
}
