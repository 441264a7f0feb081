#pragma once

#include <QColor>
#include <QFont>
#include <QWidget>
#include <functional>

// One symbol in a fixed frame, coloured from the palette at each paint.
class SymbolImageView final : public QWidget {
    Q_OBJECT
public:
    using ColorFunction = std::function<QColor(const QPalette&)>;

    SymbolImageView(QString name, double pointSize, QSize frame, ColorFunction color, QWidget* parent = nullptr,
                    QFont::Weight weight = QFont::Normal);

    const QString& name() const { return m_name; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_name;
    double m_pointSize;
    ColorFunction m_color;
    QFont::Weight m_weight;
};
