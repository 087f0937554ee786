#include "catalogue/ui/TformFXInfo.h"

#include <QTextBrowser>
#include <QUrl>

TformFXInfo::TformFXInfo(EditorContext& context)
    : EditorForm(context, QStringLiteral("formFXInfo"), QStringLiteral("Form1"), QSize(335, 480),
                 QPoint(450, 31)),
      resources_(context.services, context.console), pages_(context.services.tempPath()) {
    WebBrowser1 = place(new QTextBrowser(body()), "WebBrowser1", QStringLiteral("Effect information"),
                        {8, 8, 319, 464});
    // A page's links lead nowhere the editor can follow; the view only reads.
    WebBrowser1->setOpenLinks(false);
}

void TformFXInfo::showPageOfSelectedEffect(QPoint topLeft) {
    if (isVisible())
        close();
    move(topLeft);
    show();
    const QString effect = ctx.state.selectedEffectName;
    setWindowTitle(effect);
    ctx.console.log(InfoPages::joinedPage(resources_, effect));
    QString error;
    if (!pages_.writePage(effect, &error))
        ctx.services.showMessage(QStringLiteral("Error showing the information page: ") + error);
    const QString path = pages_.pagePath(effect);
    ctx.console.log(path);
    WebBrowser1->setSource(QUrl::fromLocalFile(path));
}
