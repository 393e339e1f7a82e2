#include "tests/support/testutil.h"

#include "browser/embeddedwb.h"
#include "browser/webpage.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QRegularExpression>
#include <QThread>

#include <gtest/gtest.h>

namespace testutil {

QStringList &ExpectedWarnings()
{
    static QStringList patterns;
    return patterns;
}

QString PageUrl(const QString &page)
{
    return QStringLiteral("http://test.nvk.test/") + page;
}

bool WaitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return true;
}

bool Load(TEmbeddedWB &browser, const QString &page, int timeoutMs)
{
    browser.Navigate(PageUrl(page));
    return WaitUntil([&] { return browser.ReadyState() == 4 && !browser.Busy(); }, timeoutMs);
}

QString RunInPage(TEmbeddedWB &browser, const QString &script)
{
    bool done = false;
    QString result;
    browser.Page()->runJavaScript(script, [&](const QVariant &value) {
        result = value.toString();
        done = true;
    });
    WaitUntil([&] { return done; });
    return result;
}

void ExpectWarning(const QString &pattern)
{
    ExpectedWarnings().append(pattern);
}

void WatchConsole(TEmbeddedWB &browser)
{
    QObject::connect(browser.Page(), &TWebPage::consoleMessage, browser.Page(),
                     [](int level, const QString &message, int line, const QString &source) {
                         if (level == QWebEnginePage::ErrorMessageLevel)
                             qWarning("page console error: %s (%s:%d)", qPrintable(message),
                                      qPrintable(source), line);
                     });
}

TCapturingPresenter::TCapturingPresenter() : previous_(SetErrorPresenter(this)) {}

TCapturingPresenter::~TCapturingPresenter()
{
    SetErrorPresenter(previous_);
}

void TCapturingPresenter::ShowError(const QString &caption, const QString &text)
{
    Captions.append(caption);
    Texts.append(text);
}

} // namespace testutil
