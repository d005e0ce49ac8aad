#pragma once

#include <QFocusFrame>

// The keyboard focus, drawn as a ring of two colours inside the focused control: a black band
// two pixels wide, then a white line. The black stands out from the white lists and boxes,
// the light buttons, the grey window and the dark plate of the picture alike; the white line
// keeps it apart from whatever dark the control itself shows. Where a control already has a
// black frame of its own (the lists, the status line) the ring lies inside that frame, so the
// band that changes with the focus is two pixels wide on every kind of control. The ring is
// drawn over the control and its children; the control neither moves nor grows. The ring
// follows the keyboard focus within its window.
class FocusRing : public QFocusFrame
{
    Q_OBJECT

public:
    static constexpr int darkWidth = 2;
    static constexpr int lightWidth = 1;

    explicit FocusRing(QWidget *window);

    // The ring's outer edge in the control's own coordinates, and the pixels it covers.
    static QRect outerRect(const QWidget *control);
    static QRegion region(const QWidget *control);

protected:
    void paintEvent(QPaintEvent *event) override;
};
