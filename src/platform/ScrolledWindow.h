#pragma once
// The container the dialog and view forms place their controls in. When the
// form is smaller than its content it shows scroll bars and shifts the
// contained controls (its direct child widgets) as the bars move.
// Positions, extents and bar values are in twips.
#include <QWidget>
#include <cstdint>

class QScrollBar;

class ScrolledWindow : public QWidget {
    Q_OBJECT
public:
    explicit ScrolledWindow(QWidget* parent = nullptr);

    // The margin every form keeps between its inner edges and this container.
    static constexpr int FormMarginTwips = 120;
    // Fills the parent form less that margin (top left at 0, 0), then arranges.
    void FitToForm();

    // Recomputes bars, ranges, page steps and the corner; hosts call it after moving or adding controls.
    void ArrangeConstituentControls();
    // The extent of the contained controls (hidden ones too) as if unscrolled, in twips.
    QSize ContentExtent() const;

    QScrollBar* hbarWindow() const { return m_hbar; }
    QScrollBar* vbarWindow() const { return m_vbar; }
    QWidget* picCorner() const { return m_corner; }
    // The shift currently applied to the contained controls: minus the bar values.
    int32_t offsetX() const { return m_OffsetX; }
    int32_t offsetY() const { return m_OffsetY; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void ScrollContents();
    QList<QWidget*> containedControls() const;

    QScrollBar* m_hbar;
    QScrollBar* m_vbar;
    QWidget* m_corner;
    int32_t m_OffsetX = 0;
    int32_t m_OffsetY = 0;
    bool m_Arranged = false;
};
