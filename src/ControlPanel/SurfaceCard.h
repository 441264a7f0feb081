#pragma once

#include <QVBoxLayout>
#include <QWidget>

// The plain rounded card behind the completion chart, its content padded 28 points.
class SurfaceCard : public QWidget {
    Q_OBJECT
public:
    explicit SurfaceCard(QWidget* parent = nullptr);

    QVBoxLayout* content() const { return m_content; }
    QRectF cardRect() const;

    static constexpr int shadowMargin = 14;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVBoxLayout* m_content;
};
