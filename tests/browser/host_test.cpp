#include "browser/errors.h"
#include "browser/webpage.h"
#include "tests/browser/browsertest.h"

#include <QKeyEvent>
#include <QTest>
#include <QVBoxLayout>
#include <QWebEngineView>

using HostTest = BrowserTest;

namespace {

// A key press and release as the keyboard delivers them to the focused widget.
void TypeKey(QWidget *target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QString text = QKeySequence(key).toString().toLower();
    if (modifiers & Qt::ShiftModifier)
        text = text.toUpper();
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::sendEvent(target, &press);
    QCoreApplication::sendEvent(target, &release);
}

// A page just loaded may drop input until its renderer is ready for it:
// type a probe key until the page sees one, then start from no keys.
bool WaitUntilThePageTakesKeys(TEmbeddedWB &browser, QWidget *focus)
{
    const bool ready = testutil::WaitUntil([&] {
        TypeKey(focus, Qt::Key_X);
        return testutil::RunInPage(browser, "String(keys.length > 0)") == "true";
    });
    testutil::RunInPage(browser, "keys.length = 0");
    return ready;
}

} // namespace

TEST_F(HostTest, StartsWithoutADocument)
{
    EXPECT_TRUE(browser->ReadProperty(DISPID_DOCUMENT).IsEmpty());
    EXPECT_EQ(browser->ReadProperty(DISPID_READYSTATE).ToInteger(), 0);
    EXPECT_FALSE(browser->ReadProperty(DISPID_BUSY).AsBoolean());
    // The automation object's own members, whatever their case.
    EXPECT_TRUE(Document().IsEmpty());
    EXPECT_EQ(Call(browser->GetAutomationObject(), "READYSTATE").ToInteger(), 0);
    EXPECT_THROW(Call(Document(), "forms"), EVariantInvalidOpError);
}

// Records the keys the page sees, and shows its dialog boxes on demand.
const char *const kPageHooks = R"(
    window.keys = [];
    document.addEventListener('keydown', (e) => {
        if (e.key !== 'Control' && e.key !== 'Shift')
            keys.push((e.ctrlKey ? 'C' : '') + (e.shiftKey ? 'S' : '') + e.key.toLowerCase());
    });
    window.dialogs = [];
    window.showDialogs = () => {
        alert('alerte');
        dialogs.push('confirm:' + confirm('sûr ?'));
        dialogs.push('prompt:' + prompt('nom ?'));
    };
    window.addEventListener('beforeunload', (e) => { e.preventDefault(); e.returnValue = 'rester'; });
    document.forms[0].city.focus();
)";

TEST_F(HostTest, PagesShowNoDialogsAndLeaveDespiteBeforeUnload)
{
    ASSERT_TRUE(testutil::Load(*browser, "forms.html"));
    testutil::RunInPage(*browser, kPageHooks);
    testutil::RunInPage(*browser, "showDialogs()");
    EXPECT_EQ(testutil::RunInPage(*browser, "dialogs.join(',')"), "confirm:false,prompt:null");

    // A key typed into the page is a user gesture: the beforeunload handler
    // now objects to leaving, and the page is left all the same.
    browser->FocusBrowser();
    QWidget *focus = browser->View()->focusProxy();
    ASSERT_TRUE(testutil::WaitUntil([&] { return QApplication::focusWidget() == focus; }));
    ASSERT_TRUE(WaitUntilThePageTakesKeys(*browser, focus));
    TypeKey(focus, Qt::Key_A);
    ASSERT_TRUE(testutil::WaitUntil([&] { return testutil::RunInPage(*browser, "keys.join()") == "a"; }));
    ASSERT_TRUE(testutil::Load(*browser, "image.html"));
    EXPECT_EQ(testutil::RunInPage(*browser, "document.title"), "Image");
}

TEST_F(HostTest, CtrlNIsDiscardedButCtrlShiftNAndNAreNot)
{
    ASSERT_TRUE(testutil::Load(*browser, "forms.html"));
    testutil::RunInPage(*browser, kPageHooks);
    browser->FocusBrowser();
    QWidget *focus = browser->View()->focusProxy();
    ASSERT_TRUE(testutil::WaitUntil([&] { return QApplication::focusWidget() == focus; }));
    ASSERT_TRUE(WaitUntilThePageTakesKeys(*browser, focus));
    TypeKey(focus, Qt::Key_N, Qt::ControlModifier);
    TypeKey(focus, Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    TypeKey(focus, Qt::Key_N);
    TypeKey(focus, Qt::Key_M, Qt::ControlModifier);
    // Ctrl+M comes last: once it is there, all that was let through is.
    ASSERT_TRUE(testutil::WaitUntil(
        [&] { return testutil::RunInPage(*browser, "keys.includes('Cm')") == "true"; }));
    EXPECT_EQ(testutil::RunInPage(*browser, "keys.join(',')"), "CSn,n,Cm");
}

TEST_F(HostTest, FocusBrowserNeedsAVisibleEnabledWindow)
{
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *container = new QWidget(&window);
    layout->addWidget(container);
    auto *host = new TEmbeddedWB(container);
    (new QVBoxLayout(container))->addWidget(host);

    // A hidden container: nothing happens, nothing is raised.
    window.show();
    container->hide();
    EXPECT_NO_THROW(host->FocusBrowser());
    container->show();

    window.setEnabled(false);
    try {
        host->FocusBrowser();
        ADD_FAILURE() << "focus given to a disabled window";
    } catch (const EInvalidOperation &e) {
        EXPECT_EQ(e.Message(), "Impossible de focaliser une fenêtre désactivée ou invisible");
    }
    window.setEnabled(true);
    window.hide();
    EXPECT_THROW(host->FocusBrowser(), EInvalidOperation);

    window.show();
    EXPECT_NO_THROW(host->FocusBrowser());
    EXPECT_TRUE(testutil::WaitUntil([&] {
        return QApplication::focusWidget() && host->isAncestorOf(QApplication::focusWidget());
    }, 5000));
}

TEST_F(HostTest, SendsTheEnginesOwnUserAgent)
{
    ASSERT_TRUE(testutil::Load(*browser, "echo-agent"));
    const QString agent = testutil::RunInPage(*browser, "document.body.innerText");
    EXPECT_TRUE(agent.contains("QtWebEngine")) << agent.toStdString();
}
