#pragma once

#include "catalogue/FXInfo.h"
#include "catalogue/ResourceStore.h"
#include "ui/EditorForm.h"

class QTextBrowser;

// The effect information window: one effect's page in a view of plain HTML.
class TformFXInfo : public EditorForm {
    Q_OBJECT
public:
    explicit TformFXInfo(EditorContext& context);

    // Shows the page of the selected effect with the window's frame at `topLeft`, closing the
    // window first when it is shown, so that it comes back where it is asked to be.
    void showPageOfSelectedEffect(QPoint topLeft);

    QTextBrowser* WebBrowser1;

private:
    ResourceStore resources_;
    InfoPages pages_;
};
