#pragma once

#include <QWidget>
#include <optional>

// One of the two coloured tiles of the overview: a symbol, a large number and its caption.
class OverviewMetricCard final : public QWidget {
    Q_OBJECT
public:
    enum class AccentStyle { completed, remaining };

    struct Inputs {
        std::optional<QString> title;
        QString value;
        QString subtitle;
        QString systemImage;
        AccentStyle accentStyle = AccentStyle::completed;
    };

    explicit OverviewMetricCard(Inputs inputs, QWidget* parent = nullptr);

    void setValue(const QString& value);
    const Inputs& inputs() const { return m_inputs; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void describe();
    Inputs m_inputs;
};
