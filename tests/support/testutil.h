#pragma once

#include "browser/errordisplay.h"

#include <QString>
#include <QStringList>

#include <functional>

class TEmbeddedWB;

namespace practice {
class PracticeSite;
}

// Helpers shared by the tests that run the real engine. The test main starts
// the test server, routes the browser through it and makes the application
// object; everything here waits by running the event loop.
namespace testutil {

// The address of a page of tests/resources/pages, through the test server.
QString PageUrl(const QString &page);

// The targets of the requests the test server received so far, in order.
QStringList TestServerRequests();

// Runs the event loop until the condition holds or the time runs out.
bool WaitUntil(const std::function<bool()> &condition, int timeoutMs = 15000);

// Navigates and waits until the page is complete; false on time-out.
bool Load(TEmbeddedWB &browser, const QString &page, int timeoutMs = 15000);

// Runs script in the page's main world and returns its result as text.
QString RunInPage(TEmbeddedWB &browser, const QString &script);

// The practice site the browser is routed to, in test programs made with
// nvk_add_practice_test.
practice::PracticeSite &PracticeSite();

// Qt warnings and page console errors fail the running test unless a
// pattern here matches them. Cleared after each test.
void ExpectWarning(const QString &pattern);

// Console errors of a page count as warnings of the test.
void WatchConsole(TEmbeddedWB &browser);

// Takes the boxes of the default error handler instead of showing them.
class TCapturingPresenter : public TErrorPresenter {
public:
    TCapturingPresenter();
    ~TCapturingPresenter() override;
    void ShowError(const QString &caption, const QString &text) override;

    QStringList Captions;
    QStringList Texts;

private:
    TErrorPresenter *previous_;
};

} // namespace testutil
