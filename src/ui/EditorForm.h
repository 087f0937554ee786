#pragma once

#include "base/Guard.h"
#include "protocol/EditorContext.h"

#include <QPointer>
#include <QWidget>
#include <vector>

class QMenuBar;
class QScrollArea;

// What every editor window shares: the context, the design layout and handlers connected through
// the error guard.
//
// The design positions are where the controls start. A control grows to fit its text in the
// current look and font, pushing what lies to its right (or below it) along, and the window grows
// to hold them all; it opens inside the available area of the screen the main window is on, and
// where even that is too small its controls scroll. The controls live on `body()`, whose origin
// is the design's client origin (below the menu bar, for a window that has one).
class EditorForm : public QWidget {
    Q_OBJECT
public:
    enum class Sizing {
        Fixed,     // a single border: the window is exactly as big as its controls need
        Resizable, // the person may make it bigger or smaller (it scrolls when smaller)
    };

    EditorForm(EditorContext& context, const QString& objectName, const QString& caption, QSize clientSize,
               QPoint position, Sizing sizing = Sizing::Fixed);

    // The widget the controls are placed on.
    QWidget* body() const { return body_; }

    // Lays the controls out again from their design places for the current look and texts, and
    // sizes the window to hold them, inside the screen. Runs by itself when the look changes or a
    // text grows; callers that need the new geometry at once (to place a window beside this one)
    // call it first.
    void fitToContents();

    // Moves the window's frame to `topLeft`, or as close to it as keeps the whole window inside
    // the available area of the main window's screen.
    void placeOnScreen(QPoint topLeft);

    // The window the others open on the screen of (the main window).
    static void setScreenAnchor(QWidget* window);

protected:
    // Gives a child its design name, accessible name and geometry (in client coordinates). A
    // label or button that shows the name as its text keeps no name of its own, so a screen
    // reader follows its text as it changes (the device label, the status line). A zero size
    // means "as big as its text", measured now.
    template <typename W>
    W* place(W* widget, const QString& name, const QString& accessibleName, QRect geometry) {
        widget->setObjectName(name);
        if (!showsAsText(widget, accessibleName))
            widget->setAccessibleName(accessibleName);
        design(widget, geometry);
        return widget;
    }

    // Records `widget`'s design rectangle (client coordinates) and puts it there.
    void design(QWidget* widget, QRect geometry);
    // How a control may grow beyond its design rectangle.
    enum class Growth {
        ToText,  // to its size hint: labels, buttons, check boxes, selectors
        AllRows, // a list that shows every row it holds, as wide as its widest
        None,    // kept at its design size (it scrolls, or has no text)
    };
    void setGrowth(QWidget* widget, Growth growth);
    // Grows to both sides, keeping the centre where it was designed.
    void keepCentred(QWidget* widget);
    // Follows the window's right and bottom edges when the window is made bigger.
    void stretchWithWindow(QWidget* widget);
    // Reaches down to the bottom of `last` wherever the layout has put it (a line beside rows).
    void reachDownTo(QWidget* widget, QWidget* last);
    // Drops every recorded control (they are about to be destroyed) and sets a new design size.
    void forgetControls(QSize clientSize);
    QSize designSize() const { return designSize_; }
    // A vertical push moves whole rows (the default) or only the controls in the same column.
    void pushColumnsOnly() { columnsOnly_ = true; }
    // The window's menu bar, designed `designHeight` high across the top of the client area.
    void setFormMenuBar(QMenuBar* bar, int designHeight);
    // Sizes the window to its controls each time it is shown, not only the first time.
    void resizeOnEveryShow() { resizeEachShow_ = true; }
    // Defers the layout while many controls are made, and lays them out once at the end.
    struct Batch {
        explicit Batch(EditorForm& form) : form_(form) { ++form_.batch_; }
        ~Batch() {
            if (--form_.batch_ == 0)
                form_.fitToContents();
        }
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        EditorForm& form_;
    };

    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

    static bool showsAsText(QWidget* widget, const QString& name);

    template <typename Sender, typename Signal, typename Handler>
    void on(Sender* sender, Signal signal, Handler handler) {
        connectGuarded(ctx.services, sender, signal, this, handler);
    }

    EditorContext& ctx;

private:
    struct Placed {
        QPointer<QWidget> widget;
        QRect design;
        Growth growth = Growth::None;
        bool centred = false;
        bool stretch = false;
        QPointer<QWidget> reachTo;
        QSize need;
        QRect actual;
    };
    Placed* placedOf(QWidget* widget);
    QSize needOf(const Placed& p) const;
    QSize designBody() const;
    void layOut();
    void stretchControls();
    void sizeWindow(QSize content);
    void scheduleFit();
    QMargins frameMargins() const;
    QRect availableArea() const;

    Sizing sizing_;
    QSize designSize_;
    QScrollArea* scroll_;
    QWidget* body_;
    QMenuBar* menuBar_ = nullptr;
    int barDesignHeight_ = 0;
    std::vector<Placed> placed_;
    QSize content_;
    bool columnsOnly_ = false;
    bool fitPending_ = false;
    bool fitting_ = false;
    bool sizedOnce_ = false;
    bool resizeEachShow_ = false;
    int batch_ = 0;
    static QPointer<QWidget> screenAnchor_;
};
