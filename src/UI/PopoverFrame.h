#pragma once

#include "UI/Binding.h"

#include <QImage>
#include <QMargins>
#include <QPainterPath>
#include <QPointer>
#include <QRect>
#include <QRegion>
#include <QWidget>
#include <optional>

// The edge of the opening control next to which the popover hangs; its arrow
// points back at that edge. Leading/trailing are left/right.
enum class PopoverEdge { Top, Bottom, Leading, Trailing };

struct PopoverPlacement {
    QRect frame;          // the whole popover, arrow included, in screen pixels
    PopoverEdge edge = PopoverEdge::Bottom;
    int arrowCenter = 0;  // along the arrow's side, from the frame's left (Top/Bottom) or top (Leading/Trailing)

    friend bool operator==(const PopoverPlacement&, const PopoverPlacement&) = default;
};

// A popover window with an arrow, attached to the bounds of the control that
// opens it. It is shown while `isPresented` reads true; call sync() after
// changing that state. A click outside closes it and writes false to the
// binding; the click that closes it on the opener itself is swallowed, so a
// toggling opener does not open it again. It is never detachable.
//
// The frame draws the popover's chrome (a rounded, translucent dark material
// with a faint border; opaque and shaped by a mask where no compositor runs)
// and gives its content a dark palette.
class PopoverFrame : public QWidget {
    Q_OBJECT
public:
    static constexpr int arrowDepth = 9;
    static constexpr int arrowHalfWidth = 10;
    static constexpr int cornerRadius = 12;

    // A soft shadow under the chrome, drawn only where a compositor blends it.
    struct Shadow {
        QColor color;
        qreal radius = 0;
        QPointF offset;

        friend bool operator==(const Shadow&, const Shadow&) = default;
    };

    // Where a popover of `contentSize` goes for `anchor` inside `available`:
    // the preferred edge, else its opposite, else the other two; the first
    // that fits, else the one with most room. No preference tries Bottom, Top,
    // Trailing, Leading. Pure, for tests.
    static PopoverPlacement place(const QRect& anchor, const QSize& contentSize,
                                  std::optional<PopoverEdge> preferredEdge, const QRect& available);
    // The window shape for an outline in a window of `size` points: every
    // device pixel at least half covered by it, so that the cut follows the
    // painted curve. Pure, for tests.
    static QRegion shapeRegion(const QPainterPath& outline, const QSize& size, qreal devicePixelRatio = 1);
    // The rounded body and its arrow for a placement, in frame coordinates.
    static QPainterPath chromePath(const PopoverPlacement& placement);

    PopoverFrame(QWidget* opener, Binding<bool> isPresented,
                 std::optional<PopoverEdge> preferredEdge = std::nullopt);
    ~PopoverFrame() override;

    // Takes ownership; replaces any previous content.
    void setContent(QWidget* content);
    QWidget* content() const { return m_content; }

    // Shows (placed for the opener's current bounds) or hides to match the binding.
    void sync();

    PopoverEdge edge() const { return m_placement.edge; }
    // Where the chrome lies in the window; the rest is room for the shadow.
    QRect chromeRect() const { return QRect(QPoint(m_shadowMargins.left(), m_shadowMargins.top()), m_placement.frame.size()); }

    void setShadow(std::optional<Shadow> shadow);
    const std::optional<Shadow>& shadow() const { return m_shadow; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void placeForOpener();
    // Cut to the chrome while opaque, whole while a compositor blends it.
    void applyShape();
    QPainterPath chromePath() const;
    QMargins shadowMargins() const;

    QPointer<QWidget> m_opener;
    Binding<bool> m_isPresented;
    std::optional<PopoverEdge> m_preferredEdge;
    QWidget* m_content = nullptr;
    PopoverPlacement m_placement;
    bool m_opaque = true;
    std::optional<Shadow> m_shadow;
    QMargins m_shadowMargins;
    QImage m_shadowImage;
};

// The card every popover editor lays its content out in: a vertical stack,
// leading-aligned, spacing 12, padded 16 on every edge, exactly `width` wide.
// It draws nothing itself; the popover's chrome is the only frame.
class MaterialPopoverCard : public QWidget {
    Q_OBJECT
public:
    explicit MaterialPopoverCard(int width, QWidget* parent = nullptr);

    // Appends a row of content; the card takes ownership.
    void addContent(QWidget* widget);
};
