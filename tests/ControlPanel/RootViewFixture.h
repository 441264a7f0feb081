#pragma once

#include "ControlPanelFixture.h"

#include "ControlPanel/ControlPanelRootView.h"

#include <QAbstractButton>
#include <QApplication>
#include <memory>

// The root view alone, at the size it has in the default window; onboarding
// videos are placeholders unless a resolver is given.
struct RootFixture {
    static constexpr const char* zone = "Europe/Berlin";

    explicit RootFixture(int width = 1280, TaskList tasks = {},
                         ControlPanelOnboardingView::VideoResolver videos = [](const QString&) {
                             return std::optional<OnboardingVideoSource>();
                         })
        : models(zone, localDate(zone, 2026, 12, 7, 10), std::move(tasks))
    {
        root = std::make_unique<ControlPanelRootView>(NotchTemplateConfiguration::defaults(), *models.viewModel, true);
        root->setOnboardingFactory(ControlPanelRootView::onboardingView(std::move(videos)));
        root->resize(width, 900);
        root->show();
        QApplication::setActiveWindow(root.get());
        QCoreApplication::processEvents();
    }

    void select(ControlPanelDestination destination)
    {
        models.viewModel->setSelectedDestination(destination);
        root->syncNow();
        QCoreApplication::processEvents();
    }
    QAbstractButton* onboardingButton(const QString& name) const
    {
        if (!root->modalContent())
            return nullptr;
        for (QAbstractButton* button : root->modalContent()->findChildren<QAbstractButton*>())
            if (button->accessibleName() == name && button->isVisibleTo(root->modalContent()))
                return button;
        return nullptr;
    }
    QRect inRoot(const QWidget* widget, QRectF rect) const
    {
        return rect.toAlignedRect().translated(widget->mapTo(root.get(), QPoint()));
    }

    ControlPanelFixture models;
    std::unique_ptr<ControlPanelRootView> root;
};
