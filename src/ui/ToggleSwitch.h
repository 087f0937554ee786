#pragma once

#include <QAbstractButton>

// A two-state slide switch. It is a real checkable button, so keyboard users can toggle it with
// Space and screen readers hear its role and its on/off state.
class ToggleSwitch : public QAbstractButton {
    Q_OBJECT
public:
    explicit ToggleSwitch(QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};
