#pragma once

#include <QWebEnginePage>

class TPageBridge;

// The page of the embedded browser, with the host's settings as a page sees
// them: no dialog boxes of its own, script errors not shown, no new windows.
// Each override is an engine callback and runs inside the bridge's guard.
class TWebPage : public QWebEnginePage {
    Q_OBJECT

public:
    TWebPage(QWebEngineProfile *profile, QObject *parent);

    void SetBridge(TPageBridge *bridge) { bridge_ = bridge; }

signals:
    // Every console message of the page's own scripts, for whoever watches
    // (tests fail on page errors); the user never sees them.
    void consoleMessage(int level, const QString &message, int lineNumber,
                        const QString &sourceId);

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message,
                                  int lineNumber, const QString &sourceId) override;
    void javaScriptAlert(const QUrl &securityOrigin, const QString &msg) override;
    bool javaScriptConfirm(const QUrl &securityOrigin, const QString &msg) override;
    bool javaScriptPrompt(const QUrl &securityOrigin, const QString &msg,
                          const QString &defaultValue, QString *result) override;
    bool acceptNavigationRequest(const QUrl &url, NavigationType type,
                                 bool isMainFrame) override;
    QWebEnginePage *createWindow(WebWindowType type) override;

private:
    TPageBridge *bridge_ = nullptr;
};
