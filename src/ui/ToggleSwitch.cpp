#include "ui/ToggleSwitch.h"

#include <QPainter>
#include <QPainterPath>

ToggleSwitch::ToggleSwitch(QWidget* parent) : QAbstractButton(parent) {
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
}

QSize ToggleSwitch::sizeHint() const {
    return {48, 21};
}

QColor ToggleSwitch::colour(const QColor& set, QPalette::ColorRole fallback) const {
    return set.isValid() ? set : palette().color(fallback);
}

void ToggleSwitch::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF track = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    const qreal radius = track.height() / 2;
    const bool on = isChecked();
    QColor fill = on ? colour(onColour_, QPalette::Highlight) : colour(trackColour_, QPalette::Base);
    QColor outline = colour(outlineColour_, QPalette::Dark);
    if (!isEnabled()) {
        fill.setAlpha(110);
        outline.setAlpha(110);
    }
    // The outline sets the track off from the window, and the knob off from the track.
    p.setPen(QPen(outline, 1));
    p.setBrush(fill);
    p.drawRoundedRect(track, radius, radius);
    const qreal knob = track.height() - 4;
    const qreal x = on ? track.right() - knob - 2 : track.left() + 2;
    p.setBrush(isEnabled() ? colour(knobColour_, QPalette::Button) : palette().color(QPalette::Window));
    p.drawEllipse(QRectF(x, track.top() + 2, knob, knob));
    if (hasFocus()) {
        p.setPen(QPen(colour(focusColour_, QPalette::Highlight), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), radius + 0.5, radius + 0.5);
    }
}
