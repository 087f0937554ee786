#pragma once

#include <QAbstractButton>
#include <QColor>

// A two-state slide switch. It is a real checkable button, so keyboard users can toggle it with
// Space and screen readers hear its role and its on/off state. A look gives it its colours
// through the properties below; without a look it takes them from the palette.
class ToggleSwitch : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(QColor trackColour MEMBER trackColour_)
    Q_PROPERTY(QColor onColour MEMBER onColour_)
    Q_PROPERTY(QColor knobColour MEMBER knobColour_)
    Q_PROPERTY(QColor outlineColour MEMBER outlineColour_)
    Q_PROPERTY(QColor focusColour MEMBER focusColour_)
public:
    explicit ToggleSwitch(QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor colour(const QColor& set, QPalette::ColorRole fallback) const;

    QColor trackColour_;
    QColor onColour_;
    QColor knobColour_;
    QColor outlineColour_;
    QColor focusColour_;
};
