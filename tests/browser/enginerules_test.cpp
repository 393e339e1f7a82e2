// Regression tests of the ways the engine can hang, abort or crash the tool.
#include "browser/errors.h"
#include "browser/messagepump.h"
#include "browser/pagebridge.h"
#include "browser/webpage.h"
#include "tests/browser/browsertest.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QElapsedTimer>
#include <QTimer>
#include <QWebEngineProfile>

#include <signal.h>

using EngineRulesTest = BrowserTest;

TEST_F(EngineRulesTest, NestedCallFromAPostedEventAfterThePageSatIdleIsAnswered)
{
    ASSERT_TRUE(testutil::Load(*browser, "forms.html"));
    for (int run = 0; run < 8; ++run) {
        Sleep(20 + run * 5);
        int length = -1;
        QTimer::singleShot(0, [&] {
            length = Call(Call(Document(), "forms"), "Length").ToInteger();
        });
        ASSERT_TRUE(testutil::WaitUntil([&] { return length != -1; }, 10000)) << "run " << run;
        EXPECT_EQ(length, 2);
    }
}

TEST_F(EngineRulesTest, RendererKilledDuringACallEndsItWithAnError)
{
    ASSERT_TRUE(testutil::Load(*browser, "slow.html"));
    const Variant spin = Item(Item(Call(Document(), "forms"), 0), 0);
    QTimer::singleShot(500, [&] { ::kill(browser->Page()->renderProcessPid(), SIGKILL); });
    QElapsedTimer elapsed;
    elapsed.start();
    try {
        Call(spin, "click");
        ADD_FAILURE() << "the call survived its renderer";
    } catch (const EOleSysError &e) {
        EXPECT_EQ(e.ErrorCode(), ole::RPC_E_DISCONNECTED);
    }
    EXPECT_LT(elapsed.elapsed(), 3500) << "the call waited for the spin instead of the crash";
    // Nothing of the dead page answers, and the browser loads the next page.
    EXPECT_THROW(Call(spin, "name"), EOleSysError);
    EXPECT_TRUE(browser->ReadProperty(DISPID_DOCUMENT).IsEmpty());
    ASSERT_TRUE(testutil::Load(*browser, "forms.html"));
    EXPECT_EQ(Call(Call(Document(), "forms"), "Length").ToInteger(), 2);
}

TEST_F(EngineRulesTest, CallEndsAtItsTimeBoundWhenThePageDoesNotAnswer)
{
    ASSERT_TRUE(testutil::Load(*browser, "slow.html"));
    browser->Bridge()->SetCallTimeout(1000);
    const Variant spin = Item(Item(Call(Document(), "forms"), 0), 0);
    try {
        Call(spin, "click");
        ADD_FAILURE() << "no time-out";
    } catch (const EOleSysError &e) {
        EXPECT_EQ(e.ErrorCode(), ole::RPC_E_TIMEOUT);
    }
    // The late answer is dropped; the next call gets its own.
    browser->Bridge()->SetCallTimeout(TPageBridge::kDefaultCallTimeoutMs);
    EXPECT_EQ(Call(spin, "name").ToUtf8(), "spin");
}

TEST_F(EngineRulesTest, PageDestroyedDuringACallEndsItWithAnError)
{
    QWebEngineProfile profile;
    auto *page = new TWebPage(&profile, nullptr);
    TPageBridge bridge(page);
    page->SetBridge(&bridge);
    page->load(QUrl(testutil::PageUrl("slow.html")));
    ASSERT_TRUE(testutil::WaitUntil([&] { return bridge.ReadyState() == 4 && !bridge.Busy(); }));

    QTimer::singleShot(300, [&] { delete page; });
    const QJsonObject clickSpin{{"op", "invoke"},
                                {"doc", bridge.DocumentId()},
                                {"h", 0},
                                {"name", "title"},
                                {"kind", "get"},
                                {"args", QJsonArray()}};
    // Keep the renderer busy so the answer cannot come before the page goes.
    page->runJavaScript("document.forms[0].spin.click()");
    try {
        bridge.Request(clickSpin);
        ADD_FAILURE() << "the call outlived its page";
    } catch (const EOleSysError &e) {
        EXPECT_EQ(e.ErrorCode(), ole::RPC_E_DISCONNECTED);
    }
    EXPECT_THROW(bridge.Request(clickSpin), EOleSysError);
}

TEST_F(EngineRulesTest, AnExceptionInsideAnEngineCallbackIsRaisedByTheNextCall)
{
    ASSERT_TRUE(testutil::Load(*browser, "forms.html"));
    bool callbackCallFailed = false;
    QObject::connect(browser->Page(), &TWebPage::consoleMessage, browser.get(),
                     [&](int, const QString &message) {
                         if (message == QLatin1String("call from the callback")) {
                             // The engine is blocked here: the call must fail
                             // at once rather than wait forever.
                             try {
                                 Call(Document(), "title");
                             } catch (const EOleSysError &e) {
                                 callbackCallFailed =
                                     e.ErrorCode() == ole::RPC_E_CANTCALLOUT_ININPUTSYNCCALL;
                             }
                         }
                         if (message == QLatin1String("throw"))
                             throw EOleError("levée dans un rappel");
                     });
    testutil::RunInPage(*browser, "console.log('call from the callback'); console.log('throw')");
    ASSERT_TRUE(testutil::WaitUntil([&] { return callbackCallFailed; }));
    EXPECT_THROW(
        {
            try {
                Call(Document(), "title");
            } catch (const EOleError &e) {
                EXPECT_EQ(e.Message(), "levée dans un rappel");
                throw;
            }
        },
        EOleError);
    EXPECT_EQ(Call(Document(), "title").ToUtf8(), "Deux formulaires");
}

TEST_F(EngineRulesTest, HandlesOfAPageAreReleasedWithTheirLastVariant)
{
    ASSERT_TRUE(testutil::Load(*browser, "forms.html"));
    const auto heldHandles = [&] {
        const QJsonObject answer = browser->Bridge()->Request({{"op", "count"}});
        return answer.value("value").toObject().value("v").toInt();
    };
    {
        const Variant forms = Call(Document(), "forms");
        for (int i = 0; i < 200; ++i)
            Call(Item(forms, 0), "name");
        EXPECT_GE(heldHandles(), 2);
    }
    // Releases travel with the next request: only the document is left.
    EXPECT_EQ(heldHandles(), 1);
}
