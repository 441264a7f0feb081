#include "UI/BlurHelper.h"
#include "UI/SymbolPainter.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace {

int inkedPixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0;
    return count;
}

qint64 totalAlpha(const QImage& image)
{
    qint64 sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            sum += qAlpha(image.pixel(x, y));
    return sum;
}

QImage drawn(const QString& name, QRectF rect, QFont::Weight weight)
{
    QImage image(24, 24, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    SymbolPainter::paint(painter, name, rect, Qt::white, weight);
    return image;
}

} // namespace

TEST(SymbolPainter, EveryListedSymbolInksAndHeavierWeightsInkMoreUnknownNamesDrawNothing)
{
    const QStringList names = SymbolPainter::supportedNames();
    EXPECT_EQ(names.size(), 29);
    EXPECT_EQ(QStringList(names).removeDuplicates(), 0);
    for (const QString& name : names) {
        EXPECT_TRUE(SymbolPainter::isSupported(name)) << name.toStdString();
        const int light = inkedPixels(drawn(name, QRectF(2, 2, 20, 20), QFont::Light));
        const int bold = inkedPixels(drawn(name, QRectF(2, 2, 20, 20), QFont::Bold));
        EXPECT_GT(light, 4) << name.toStdString();
        EXPECT_GE(bold, light) << name.toStdString();
        // Drawn inside its square: the outer frame stays clean.
        const QImage inset = drawn(name, QRectF(6, 6, 12, 12), QFont::Bold);
        EXPECT_EQ(inkedPixels(inset.copy(0, 0, 24, 4)), 0) << name.toStdString();
        EXPECT_GT(inkedPixels(SymbolPainter::pixmap(name, 16, Qt::red).toImage()), 0) << name.toStdString();
    }
    for (const QString& unknown : {QString("no.such.symbol"), QString(), QString("Plus")})
        EXPECT_EQ(inkedPixels(drawn(unknown, QRectF(0, 0, 24, 24), QFont::Bold)), 0);
    EXPECT_EQ(inkedPixels(drawn("plus", QRectF(5, 5, 0, 10), QFont::Bold)), 0);
    EXPECT_FALSE(SymbolPainter::icon("plus", 16, Qt::white).isNull());
}

TEST(BlurHelper, SpreadsADotAndKeepsItsEnergy)
{
    const QImage blurred = BlurHelper::render(
        QSize(64, 64), [](QPainter& painter) { painter.fillRect(QRect(28, 28, 8, 8), Qt::white); }, 6);
    ASSERT_EQ(blurred.size(), QSize(64, 64));
    EXPECT_NEAR(double(totalAlpha(blurred)), 64.0 * 255, 64.0 * 255 * 0.2); // the shrink and regrow lose a little at the faint rim
    EXPECT_LT(qAlpha(blurred.pixel(32, 32)), 255);
    EXPECT_GT(qAlpha(blurred.pixel(32, 42)), 0);
    EXPECT_GT(qAlpha(blurred.pixel(22, 32)), 0);
    EXPECT_EQ(qAlpha(blurred.pixel(0, 0)), 0);

    // No radius leaves the picture as it was; nothing in gives nothing out.
    QImage dot(8, 8, QImage::Format_ARGB32_Premultiplied);
    dot.fill(Qt::transparent);
    dot.setPixel(3, 3, qRgba(255, 255, 255, 255));
    EXPECT_TRUE(BlurHelper::blurred(dot, 0) == dot);
    EXPECT_TRUE(BlurHelper::blurred(QImage(), 4).isNull());
    EXPECT_TRUE(BlurHelper::render(QSize(0, 10), {}, 4).isNull());
}
