#include "browser/webpage.h"

#include "browser/pagebridge.h"

#include <QCoreApplication>

TWebPage::TWebPage(QWebEngineProfile *profile, QObject *parent)
    : QWebEnginePage(profile, parent)
{
}

void TWebPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level,
                                        const QString &message, int lineNumber,
                                        const QString &sourceId)
{
    if (bridge_ && bridge_->HandleConsoleMessage(message))
        return;
    TPageBridge::TEngineCallbackGuard guard(bridge_);
    try {
        emit consoleMessage(level, message, lineNumber, sourceId);
    } catch (...) {
        if (bridge_)
            bridge_->Keep(std::current_exception());
    }
}

void TWebPage::javaScriptAlert(const QUrl &, const QString &)
{
    // Silent: the page's message box is not shown.
}

bool TWebPage::javaScriptConfirm(const QUrl &, const QString &msg)
{
    // The engine asks before leaving a page whose beforeunload handler
    // objects; with no dialog to show, the page is left. A page's own
    // confirm() gets the answer of a box closed unanswered: cancel.
    const QString leavePage = QCoreApplication::translate(
        "QWebEnginePage",
        "Are you sure you want to leave this page? Changes that you made may not be saved.");
    return msg == leavePage;
}

bool TWebPage::javaScriptPrompt(const QUrl &, const QString &, const QString &, QString *)
{
    return false;
}

bool TWebPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    TPageBridge::TEngineCallbackGuard guard(bridge_);
    try {
        const bool accepted = QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
        // A page that starts a navigation itself (a submit clicked, a link
        // followed) leaves its complete state as soon as the engine takes
        // the request, so that a page wait right after the click waits for
        // the new page. A move within the same document loads nothing.
        const bool sameDocument = url.hasFragment() && url.adjusted(QUrl::RemoveFragment) ==
                                                           this->url().adjusted(QUrl::RemoveFragment);
        if (accepted && isMainFrame && !sameDocument && bridge_)
            bridge_->BeginNavigation();
        return accepted;
    } catch (...) {
        if (bridge_)
            bridge_->Keep(std::current_exception());
        return false;
    }
}

QWebEnginePage *TWebPage::createWindow(WebWindowType)
{
    // The tool has one window; pages open no others.
    return nullptr;
}
