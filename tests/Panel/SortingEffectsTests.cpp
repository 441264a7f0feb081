#include "Panel/NotchShape.h"
#include "Panel/SortingEffects.h"
#include "Support/ScopedCompositing.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

TEST(SortingEdgeHighlight, StaysInsideTheNotchOutline)
{
    double now = 100;
    SortingEdgeHighlight highlight(nullptr, [&] { return now; });
    highlight.setAttribute(Qt::WA_DontShowOnScreen);
    highlight.resize(240, 120);
    const QRectF surface(20, 0, 200, 100);
    const double radius = 24;
    highlight.setInputs({true, surface, radius, NotchTemplateConfiguration::defaults(), false});
    now += 5; // faded in
    ASSERT_DOUBLE_EQ(highlight.opacity(), 1);

    QImage image(highlight.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    highlight.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);

    const QPainterPath outline = NotchShape{radius, 0}.path(surface);
    int inside = 0, outside = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) == 0)
                continue;
            // Antialiased edge pixels may straddle the outline by a pixel.
            if (outline.intersects(QRectF(x - 1, y - 1, 3, 3)))
                ++inside;
            else
                ++outside;
        }
    EXPECT_GT(inside, 0);
    EXPECT_EQ(outside, 0);
}

TEST(SortingAmbientGlow, RestsWhileNoCompositorCanShowItAndComesBackWithOne)
{
    ScopedCompositing compositor(true);
    double now = 100;
    SortingAmbientGlow glow(nullptr, [&] { return now; }, [&] { return now; });
    glow.setAttribute(Qt::WA_DontShowOnScreen);
    glow.resize(400, 200);
    SortingAmbientGlow::Inputs sorting{true, QRectF(100, 34, 200, 60), 12, NotchTemplateConfiguration::defaults(), false};
    glow.setInputs(sorting);
    EXPECT_TRUE(glow.isVisible());
    EXPECT_TRUE(glow.isTicking());

    // The window then keeps only the panel's own shape: the glow around it would never be seen.
    compositor.set(false);
    EXPECT_FALSE(glow.isVisible());
    EXPECT_FALSE(glow.isTicking());
    now += 1;
    glow.setInputs(sorting); // the sort goes on meanwhile
    EXPECT_FALSE(glow.isVisible());
    EXPECT_FALSE(glow.isTicking());

    compositor.set(true);
    EXPECT_TRUE(glow.isVisible());
    EXPECT_TRUE(glow.isTicking());
    EXPECT_DOUBLE_EQ(glow.opacity(), 1);

    // A sort that ends while no compositor runs leaves nothing to show when one starts.
    compositor.set(false);
    sorting.isActive = false;
    glow.setInputs(sorting);
    now += 5;
    compositor.set(true);
    EXPECT_FALSE(glow.isVisible());
    EXPECT_FALSE(glow.isTicking());
}
