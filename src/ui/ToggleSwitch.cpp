#include "ui/ToggleSwitch.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionFocusRect>

ToggleSwitch::ToggleSwitch(QWidget* parent) : QAbstractButton(parent) {
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
}

QSize ToggleSwitch::sizeHint() const {
    return {48, 21};
}

void ToggleSwitch::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF track = QRectF(rect()).adjusted(1, 1, -1, -1);
    const qreal radius = track.height() / 2;
    const QPalette& pal = palette();
    const bool on = isChecked();
    QColor trackColour = on ? pal.color(QPalette::Highlight) : pal.color(QPalette::Mid);
    if (!isEnabled())
        trackColour.setAlpha(90);
    p.setPen(QPen(pal.color(QPalette::Dark), 1));
    p.setBrush(trackColour);
    p.drawRoundedRect(track, radius, radius);
    const qreal knob = track.height() - 4;
    const qreal x = on ? track.right() - knob - 2 : track.left() + 2;
    p.setBrush(isEnabled() ? pal.color(QPalette::Button) : pal.color(QPalette::Window));
    p.drawEllipse(QRectF(x, track.top() + 2, knob, knob));
    if (hasFocus()) {
        p.setPen(QPen(pal.color(QPalette::Highlight), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(track.adjusted(-0.5, -0.5, 0.5, 0.5), radius, radius);
    }
}
