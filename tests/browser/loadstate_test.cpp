// What Document, ReadyState and Busy read, and how long a page wait lasts,
// when a load does not simply run to its end.
#include "browser/messagepump.h"
#include "tests/browser/browsertest.h"

#include <QElapsedTimer>

namespace {

struct TLoadCase {
    const char *name;
    // Starts the load from a complete "Deux formulaires" page: a page
    // address to navigate to, or a script the page runs.
    const char *navigateTo;
    const char *pageScript;
    const char *titleAfter;
};

// None of these loads replaces the page: it stays the document, complete and
// no longer busy, and the wait that follows ends at once.
const TLoadCase kLoadsThatNeverCommit[] = {
    {"stopped", nullptr, "location.href = '/late-stopped'; window.stop();", "Deux formulaires"},
    {"noContent", "no-content", nullptr, "Deux formulaires"},
    {"download", "download", nullptr, "Deux formulaires"},
};

} // namespace

class LoadStateTest : public BrowserTest {
protected:
    QString DocumentTitle() { return QString::fromStdU16String(Call(Document(), "title").ToText()); }
};

TEST_F(LoadStateTest, ANavigationThatNeverCommitsLeavesTheShownDocument)
{
    for (const TLoadCase &c : kLoadsThatNeverCommit) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(testutil::Load(*browser, "forms.html"));
        if (c.navigateTo)
            browser->Navigate(testutil::PageUrl(c.navigateTo));
        else
            testutil::RunInPage(*browser, c.pageScript);
        QElapsedTimer elapsed;
        elapsed.start();
        EXPECT_TRUE(browser->WaitForPage(10000));
        EXPECT_TRUE(testutil::WaitUntil([&] { return !browser->Busy(); }, 5000));
        EXPECT_LT(elapsed.elapsed(), 3000);
        EXPECT_EQ(browser->ReadProperty(DISPID_READYSTATE).ToInteger(), 4);
        EXPECT_FALSE(browser->ReadProperty(DISPID_BUSY).AsBoolean());
        ASSERT_EQ(browser->ReadProperty(DISPID_DOCUMENT).VType(), TVarType::Dispatch);
        EXPECT_EQ(DocumentTitle(), c.titleAfter);
    }
}

TEST_F(LoadStateTest, AWaitAfterAnAbortedLoadWaitsForTheNewDocument)
{
    // The first page never completes; leaving it makes it report complete
    // as it goes, which must not end the wait for the next one.
    browser->Navigate(testutil::PageUrl("never.html"));
    EXPECT_FALSE(browser->WaitForPage(1000));
    EXPECT_EQ(browser->ReadyState(), 3);
    EXPECT_TRUE(browser->Busy());
    EXPECT_EQ(DocumentTitle(), "Jamais complète");

    browser->Navigate(testutil::PageUrl("lookup.html"));
    EXPECT_EQ(browser->ReadyState(), 1);
    EXPECT_TRUE(browser->WaitForPage(10000));
    EXPECT_EQ(DocumentTitle(), "Recherche");

    // The same when the page itself leaves a page that is still loading.
    browser->Navigate(testutil::PageUrl("never.html"));
    EXPECT_FALSE(browser->WaitForPage(1000));
    testutil::RunInPage(*browser, "location.href = '/late-replacement'");
    EXPECT_TRUE(browser->WaitForPage(10000));
    EXPECT_EQ(DocumentTitle(), "Tardive");
}
