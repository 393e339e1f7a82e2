#include "browser/messagepump.h"
#include "browser/pagebridge.h"
#include "browser/tickclock.h"
#include "tests/browser/browsertest.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

using WaitForPageTest = BrowserTest;

TEST_F(WaitForPageTest, WaitsForTheNewPageNotTheOldOne)
{
    ASSERT_TRUE(testutil::Load(*browser, "forms.html"));
    ASSERT_EQ(browser->ReadProperty(DISPID_READYSTATE).ToInteger(), 4);

    browser->Navigate(testutil::PageUrl("image.html"));
    // The old page's complete state is gone as soon as Navigate returns.
    EXPECT_EQ(browser->ReadProperty(DISPID_READYSTATE).ToInteger(), 1);
    EXPECT_EQ(browser->ReadProperty(DISPID_BUSY).AsBoolean(), true);
    EXPECT_TRUE(browser->WaitForPage(10000));
    EXPECT_EQ(browser->ReadProperty(DISPID_READYSTATE).ToInteger(), 4);
    EXPECT_EQ(testutil::RunInPage(*browser, "document.title"), "Image");
    EXPECT_EQ(testutil::RunInPage(*browser, "String(document.getElementById('pixel').naturalWidth)"),
              "1");
}

TEST_F(WaitForPageTest, EndsAfterALittleMoreThanTheLimitOnAPageThatNeverCompletes)
{
    browser->Navigate(testutil::PageUrl("never.html"));
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_FALSE(browser->WaitForPage(1500));
    EXPECT_GE(elapsed.elapsed(), 1500);
    EXPECT_LT(elapsed.elapsed(), 4000);
    // The page is there, only not complete.
    EXPECT_EQ(browser->ReadyState(), 3);
    EXPECT_TRUE(browser->ReadProperty(DISPID_DOCUMENT).VType() == TVarType::Dispatch);
}

TEST_F(WaitForPageTest, ReturnsAtOnceWithoutPumpingWhenAlreadyComplete)
{
    ASSERT_TRUE(testutil::Load(*browser, "forms.html"));
    bool pumped = false;
    QTimer::singleShot(0, [&] { pumped = true; });
    EXPECT_TRUE(browser->WaitForPage(10000));
    EXPECT_FALSE(pumped);
    QCoreApplication::processEvents();
    EXPECT_TRUE(pumped);
}

TEST_F(WaitForPageTest, ReturnsAtOnceBeforeTheHostHasAWindow)
{
    TEmbeddedWB unshown;
    unshown.Navigate(testutil::PageUrl("never.html"));
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_TRUE(unshown.WaitForPage(1000));
    EXPECT_LT(elapsed.elapsed(), 500);
}

TEST_F(WaitForPageTest, OnBusyWaitCanCancelAndChangeTheLimit)
{
    browser->Navigate(testutil::PageUrl("never.html"));
    int calls = 0;
    browser->OnBusyWait = [&](TEmbeddedWB *sender, uint32_t, uint32_t &timeOut, bool &cancel) {
        EXPECT_EQ(sender, browser.get());
        ++calls;
        timeOut = 0;
        cancel = calls == 20;
    };
    EXPECT_FALSE(browser->WaitForPage(60000));
    EXPECT_EQ(calls, 20);
}

TEST_F(WaitForPageTest, ElapsedTimeIsCountedModulo2To32AcrossTheTickWrap)
{
    // The counter starts 300 ms before it wraps; a wait of 1000 ms must last
    // its full second, not end at the wrap nor run on for 49 days.
    QElapsedTimer real;
    real.start();
    SetTickSource([&] { return static_cast<uint32_t>(0xFFFFFFFFu - 300u + real.elapsed()); });
    browser->Navigate(testutil::PageUrl("never.html"));
    QElapsedTimer elapsed;
    elapsed.start();
    const bool completed = browser->WaitForPage(1000);
    SetTickSource({});
    EXPECT_FALSE(completed);
    EXPECT_GE(elapsed.elapsed(), 1000);
    EXPECT_LT(elapsed.elapsed(), 3000);
}

TEST_F(WaitForPageTest, AQuitRequestEndsTheWaitWithTrue)
{
    // The quit is requested of a running main loop, from inside a handler
    // that waits on a page that never completes and has no time limit.
    bool waitResult = false;
    bool handlerDone = false;
    QTimer::singleShot(0, [&] {
        browser->Navigate(testutil::PageUrl("never.html"));
        waitResult = browser->WaitForPage(0);
        handlerDone = true;
    });
    QTimer::singleShot(1500, [] { QCoreApplication::quit(); });
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_TRUE(handlerDone);
    EXPECT_TRUE(waitResult);
    EXPECT_LT(elapsed.elapsed(), 5000);
    TQuitWatcher::Instance().Reset();
}
