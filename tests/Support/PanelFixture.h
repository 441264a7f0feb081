#pragma once

#include "Overlay/NotchOverlayMetrics.h"
#include "Panel/ContentView.h"
#include "Panel/NotchTaskPanel.h"
#include "Support/ViewModelsFixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QSignalSpy>
#include <gtest/gtest.h>

// The notch panel's root view on the two view models, 646 × 456 on a
// 1920 × 1080 screen, with a clock the test moves.
struct ContentFixture : ViewModelsFixture {
    double now = 1000;
    ContentView view{viewModel, session, nullptr, [this] { return now; }};

    explicit ContentFixture(bool reduceMotion = false, std::optional<TaskWorkspaceState> stored = std::nullopt)
        : ViewModelsFixture(std::move(stored))
    {
        const auto& configuration = NotchTemplateConfiguration::defaults();
        const auto label = [](const QString&, const NotchTemplateConfiguration::Font&) { return 40.0; };
        const ScreenInfo screen{{0, 0, 1920, 1080}, 0, std::nullopt, std::nullopt};
        view.setInputs({NotchOverlayMetrics::make(screen, configuration, label), configuration, reduceMotion});
        view.resize(646, 456);
        view.show();
    }
    // Lets the frame timer draw one frame at the clock's current reading.
    void nextFrame()
    {
        QSignalSpy frames(&view, &ContentView::visibleShapeChanged);
        EXPECT_TRUE(frames.wait(2000));
    }
};

// The first widget of type T with the accessible name, in the view or in any open popover or dialog.
template <class T = QWidget>
T* named(const QString& name)
{
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (!top->isVisible() && !qobject_cast<ContentView*>(top))
            continue;
        if (top->accessibleName() == name)
            if (auto* match = qobject_cast<T*>(top))
                return match;
        for (T* child : top->findChildren<T*>())
            if (child->accessibleName() == name && child->isVisibleTo(top))
                return child;
    }
    return nullptr;
}

inline void click(const QString& name)
{
    auto* button = named<QAbstractButton>(name);
    ASSERT_NE(button, nullptr) << name.toStdString();
    ASSERT_TRUE(button->isEnabled()) << name.toStdString();
    button->click();
}

// Onboarded and expanded, at rest.
struct PanelFixture : ContentFixture {
    PanelFixture()
    {
        AppPreferences preferences = session.preferences();
        preferences.hasCompletedOnboarding = true;
        session.setPreferences(preferences);
        expand();
    }
    void expand()
    {
        viewModel.setExpanded(true);
        view.syncNow();
        now += 3;
        nextFrame();
    }
    void add(const QString& title)
    {
        viewModel.setDraftTask(title);
        viewModel.submitDraftTask();
        view.syncNow();
    }
    NotchTaskPanel& panel() { return *view.panel(); }
};
