#include "ui/EditorForm.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QShowEvent>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>

namespace {

// A plain top-level widget reaches the accessibility bus as a filler, so a screen reader would not
// announce the editor's windows as windows. Ours say they are, and are named by their title.
QAccessibleInterface* editorWindowAccessible(const QString&, QObject* object) {
    auto* form = qobject_cast<EditorForm*>(object);
    if (form == nullptr || !form->isWindow())
        return nullptr;
    return new QAccessibleWidget(form, QAccessible::Window);
}

Qt::WindowFlags flagsFor(EditorForm::Sizing sizing) {
    Qt::WindowFlags flags = Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                            Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
    if (sizing == EditorForm::Sizing::Resizable)
        flags |= Qt::WindowMaximizeButtonHint;
    return flags;
}

// The space kept between a control that has grown and the one it pushes along, when the design
// left more than this between them.
constexpr int kGap = 3;

// A window manager's title bar holds the caption and its buttons: a window narrower than the
// caption plus this would show the caption cut ("Fir… de").
constexpr int kTitleBarButtons = 110;

// Until a window has been shown under the window manager its frame is not known; the last frame
// seen is the best guess for the next window.
QMargins lastFrameMargins;

bool overlapsHorizontally(const QRect& a, const QRect& b) {
    return a.left() < b.left() + b.width() && b.left() < a.left() + a.width();
}

} // namespace

QPointer<QWidget> EditorForm::screenAnchor_;

EditorForm::EditorForm(EditorContext& context, const QString& objectName, const QString& caption,
                       QSize clientSize, QPoint position, Sizing sizing)
    : QWidget(nullptr, flagsFor(sizing)), ctx(context), sizing_(sizing), designSize_(clientSize) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(editorWindowAccessible);
        return true;
    }();
    (void)factoryInstalled;
    setObjectName(objectName);
    setWindowTitle(caption);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    scroll_ = new QScrollArea(this);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    body_ = new QWidget;
    scroll_->setWidget(body_);
    layout->addWidget(scroll_);
    body_->installEventFilter(this);
    if (sizing_ == Sizing::Fixed)
        setFixedSize(clientSize);
    else
        resize(clientSize);
    move(position);
}

void EditorForm::setScreenAnchor(QWidget* window) {
    screenAnchor_ = window;
}

void EditorForm::setFormMenuBar(QMenuBar* bar, int designHeight) {
    menuBar_ = bar;
    barDesignHeight_ = designHeight;
    // Never lower than designed, so the controls below start where they were designed.
    bar->setMinimumHeight(designHeight);
    static_cast<QVBoxLayout*>(layout())->setMenuBar(bar);
}

QSize EditorForm::designBody() const {
    return designSize_ - QSize(0, barDesignHeight_);
}

bool EditorForm::showsAsText(QWidget* widget, const QString& name) {
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text() == name;
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->text() == name;
    return false;
}

// ---- The design ----

EditorForm::Placed* EditorForm::placedOf(QWidget* widget) {
    for (Placed& p : placed_)
        if (p.widget == widget)
            return &p;
    return nullptr;
}

void EditorForm::design(QWidget* widget, QRect geometry) {
    if (widget->parentWidget() != body_) {
        // A part of another control: it sits where it is put, inside that control.
        widget->setGeometry(geometry);
        return;
    }
    // Design rectangles are in client coordinates; the body starts below the menu bar.
    geometry.translate(0, -barDesignHeight_);
    if (geometry.width() <= 0 || geometry.height() <= 0) {
        widget->adjustSize();
        geometry.setSize(widget->size());
    }
    widget->setGeometry(geometry);
    Placed placed;
    placed.widget = widget;
    placed.design = geometry;
    placed.actual = geometry;
    placed.need = geometry.size();
    if (qobject_cast<QLabel*>(widget) || qobject_cast<QComboBox*>(widget))
        placed.growth = Growth::ToText;
    else if (auto* button = qobject_cast<QAbstractButton*>(widget))
        placed.growth = button->text().isEmpty() ? Growth::None : Growth::ToText;
    if (Placed* known = placedOf(widget))
        *known = placed;
    else
        placed_.push_back(placed);
}

void EditorForm::setGrowth(QWidget* widget, Growth growth) {
    if (Placed* p = placedOf(widget))
        p->growth = growth;
}

void EditorForm::keepCentred(QWidget* widget) {
    if (Placed* p = placedOf(widget))
        p->centred = true;
}

void EditorForm::stretchWithWindow(QWidget* widget) {
    if (Placed* p = placedOf(widget))
        p->stretch = true;
}

void EditorForm::reachDownTo(QWidget* widget, QWidget* last) {
    if (Placed* p = placedOf(widget))
        p->reachTo = last;
}

void EditorForm::forgetControls(QSize clientSize) {
    placed_.clear();
    designSize_ = clientSize;
}

// ---- Laying out ----

QSize EditorForm::needOf(const Placed& p) const {
    QWidget* w = p.widget;
    QSize need = p.design.size();
    // A hidden control keeps its design until it is shown, when the window lays out again.
    if (w->isHidden())
        return need;
    switch (p.growth) {
    case Growth::None:
        break;
    case Growth::ToText:
        if (auto* label = qobject_cast<QLabel*>(w); label && label->wordWrap())
            need.setHeight(std::max(need.height(), label->heightForWidth(need.width())));
        else
            need = need.expandedTo(w->sizeHint());
        need = need.expandedTo(w->minimumSize());
        break;
    case Growth::AllRows:
        if (auto* list = qobject_cast<QListWidget*>(w)) {
            const int frame = 2 * list->frameWidth();
            int rows = 0;
            for (int i = 0; i < list->count(); ++i)
                rows += list->sizeHintForRow(i);
            need = need.expandedTo(QSize(list->sizeHintForColumn(0) + frame, rows + frame));
        }
        break;
    }
    return need;
}

void EditorForm::layOut() {
    for (Placed& p : placed_)
        if (p.widget)
            p.need = needOf(p);
    const auto pushes = [](const Placed& p) { return p.widget && !p.widget->isHidden(); };

    // Across: a control that has grown pushes every control designed to the right of it, in any
    // row, so the columns stay lined up.
    std::vector<Placed*> byLeft;
    for (Placed& p : placed_)
        if (p.widget)
            byLeft.push_back(&p);
    std::stable_sort(byLeft.begin(), byLeft.end(),
                     [](const Placed* a, const Placed* b) { return a->design.left() < b->design.left(); });
    for (Placed* p : byLeft) {
        const QRect& d = p->design;
        int x = p->centred ? d.center().x() - (p->need.width() - 1) / 2 : d.left();
        for (const Placed* q : byLeft) {
            if (q == p || !pushes(*q) || q->design.left() + q->design.width() > d.left())
                continue;
            const int gap = std::min(d.left() - (q->design.left() + q->design.width()), kGap);
            x = std::max(x, q->actual.left() + q->need.width() + gap);
        }
        p->actual.moveLeft(std::max(0, x));
        p->actual.setWidth(p->need.width());
    }

    // Down: a control that has grown taller pushes what lies below it, the whole row below (or
    // only its own column, for a window designed in columns).
    std::vector<Placed*> byTop = byLeft;
    std::stable_sort(byTop.begin(), byTop.end(),
                     [](const Placed* a, const Placed* b) { return a->design.top() < b->design.top(); });
    for (Placed* p : byTop) {
        const QRect& d = p->design;
        int y = d.top();
        for (const Placed* q : byTop) {
            if (q == p || !pushes(*q) || q->design.top() + q->design.height() > d.top())
                continue;
            if (columnsOnly_ && !overlapsHorizontally(q->design, d))
                continue;
            const int gap = std::min(d.top() - (q->design.top() + q->design.height()), kGap);
            y = std::max(y, q->actual.top() + q->need.height() + gap);
        }
        p->actual.moveTop(y);
        p->actual.setHeight(p->need.height());
    }
    for (Placed& p : placed_)
        if (p.widget && p.reachTo)
            if (const Placed* last = placedOf(p.reachTo))
                p.actual.setBottom(std::max(p.actual.top(), last->actual.bottom()));

    // The body grows by as much as its controls have moved beyond the design's.
    const QSize designBody = this->designBody();
    int designRight = 0;
    int designBottom = 0;
    int right = 0;
    int bottom = 0;
    for (const Placed& p : placed_) {
        if (!pushes(p))
            continue;
        designRight = std::max(designRight, p.design.left() + p.design.width());
        designBottom = std::max(designBottom, p.design.top() + p.design.height());
        right = std::max(right, p.actual.left() + p.actual.width());
        bottom = std::max(bottom, p.actual.top() + p.actual.height());
    }
    content_ = QSize(designBody.width() + std::max(0, right - designRight),
                     designBody.height() + std::max(0, bottom - designBottom));
    content_ = content_.expandedTo(QSize(right, bottom));
    if (menuBar_)
        content_.setWidth(std::max(content_.width(), menuBar_->sizeHint().width()));
    // Wide enough for the title bar to show the caption whole (window managers draw it bold).
    QFont title = font();
    title.setBold(true);
    content_.setWidth(
        std::max(content_.width(), QFontMetrics(title).horizontalAdvance(windowTitle()) + kTitleBarButtons));

    for (Placed& p : placed_)
        if (p.widget && !p.stretch && p.widget->geometry() != p.actual)
            p.widget->setGeometry(p.actual);
    if (body_->minimumSize() != content_) {
        body_->setMinimumSize(content_);
        // The scroll area takes the body's new size from its own layout request.
        QEvent request(QEvent::LayoutRequest);
        QCoreApplication::sendEvent(scroll_, &request);
    }
    stretchControls();
}

void EditorForm::stretchControls() {
    const QSize designBody = this->designBody();
    for (Placed& p : placed_) {
        if (!p.widget || !p.stretch)
            continue;
        // The margins the design left to the right and below stay as they were.
        const int rightMargin = designBody.width() - (p.design.left() + p.design.width());
        const int bottomMargin = designBody.height() - (p.design.top() + p.design.height());
        const QSize room(body_->width() - p.actual.left() - rightMargin,
                         body_->height() - p.actual.top() - bottomMargin);
        const QRect geometry(p.actual.topLeft(), room.expandedTo(p.need));
        if (p.widget->geometry() != geometry)
            p.widget->setGeometry(geometry);
    }
}

void EditorForm::fitToContents() {
    if (batch_ > 0 || fitting_)
        return;
    fitting_ = true;
    ensurePolished();
    if (menuBar_) {
        menuBar_->ensurePolished();
        menuBar_->setMinimumHeight(std::max(barDesignHeight_, menuBar_->sizeHint().height()));
    }
    layOut();
    const int bar = menuBar_ ? menuBar_->minimumHeight() : 0;
    sizeWindow(content_ + QSize(0, bar));
    // What the controls asked for while they were laid out has been answered.
    QCoreApplication::removePostedEvents(body_, QEvent::LayoutRequest);
    fitting_ = false;
}

void EditorForm::sizeWindow(QSize client) {
    const QRect area = availableArea();
    const QMargins frame = frameMargins();
    const QSize room(area.width() - frame.left() - frame.right(),
                     area.height() - frame.top() - frame.bottom());
    QSize size = client.boundedTo(room);
    if (sizing_ == Sizing::Fixed) {
        if (minimumSize() != size || maximumSize() != size)
            setFixedSize(size);
        return;
    }
    setMinimumSize(size.boundedTo(QSize(200, 150)));
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    // Once the person has sized the window it is left as they made it, grown where it must hold
    // more.
    if (sizedOnce_)
        size = this->size().expandedTo(size.boundedTo(client)).boundedTo(room);
    if (this->size() != size)
        resize(size);
}

QMargins EditorForm::frameMargins() const {
    if (QWindow* handle = windowHandle(); handle && isVisible()) {
        const QMargins margins = handle->frameMargins();
        if (!margins.isNull())
            lastFrameMargins = margins;
        return margins;
    }
    return lastFrameMargins;
}

QRect EditorForm::availableArea() const {
    QScreen* screen = nullptr;
    if (screenAnchor_ && screenAnchor_ != this)
        screen = screenAnchor_->screen();
    if (!screen)
        screen = QGuiApplication::screenAt(geometry().center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(QPoint(0, 0), size());
}

void EditorForm::placeOnScreen(QPoint topLeft) {
    const QRect area = availableArea();
    const QMargins frame = frameMargins();
    const QSize outer = size() + QSize(frame.left() + frame.right(), frame.top() + frame.bottom());
    const int x = std::max(area.left(), std::min(topLeft.x(), area.left() + area.width() - outer.width()));
    const int y = std::max(area.top(), std::min(topLeft.y(), area.top() + area.height() - outer.height()));
    if (pos() != QPoint(x, y))
        move(x, y);
}

void EditorForm::scheduleFit() {
    if (fitPending_ || fitting_ || batch_ > 0)
        return;
    fitPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            fitPending_ = false;
            if (isVisible())
                fitToContents();
        },
        Qt::QueuedConnection);
}

// ---- Events ----

bool EditorForm::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::StyleChange:
    case QEvent::FontChange:
    case QEvent::WindowTitleChange:
        // A new look or caption: the controls' texts take other room.
        if (isVisible())
            scheduleFit();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

bool EditorForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == body_) {
        if (event->type() == QEvent::LayoutRequest)
            scheduleFit();
        else if (event->type() == QEvent::Resize)
            stretchControls();
    }
    return QWidget::eventFilter(watched, event);
}

void EditorForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    if (resizeEachShow_)
        sizedOnce_ = false;
    fitToContents();
    sizedOnce_ = true;
    placeOnScreen(pos());
}
