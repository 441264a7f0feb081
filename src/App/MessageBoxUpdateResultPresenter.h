#pragma once

#include "App/UpdateResultPresenting.h"

#include <functional>

class QWidget;

// A non-modal message box, so the check's caller never waits on the user.
class MessageBoxUpdateResultPresenter final : public UpdateResultPresenting {
public:
    // `parent` gives the window the box opens over, in that window's
    // appearance; none (or no function): the box stands on its own.
    explicit MessageBoxUpdateResultPresenter(std::function<QWidget*()> parent = {}) : m_parent(std::move(parent)) {}

    void present(const UpdateCheckResult& result) override;

    static QString title(const UpdateCheckResult& result);
    static QString text(const UpdateCheckResult& result);

private:
    std::function<QWidget*()> m_parent;
};
