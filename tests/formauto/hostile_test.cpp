// Pages that fight back: a page that rewrites its own world, one that moves
// the focus while the tool types, one that never gives its thread back, and
// one with 100000 fields. The tool's calls and its typed-path attach must
// stay its own, and the window must stay the user's.
#include "app/frmmain.h"
#include "browser/embeddedwb.h"
#include "browser/messagepump.h"
#include "browser/pagebridge.h"
#include "formauto/formlookup.h"
#include "formauto/fieldsetter.h"
#include "keys/keyboardlayout.h"
#include "keys/keyplatform.h"
#include "keys/keyscript.h"
#include "keys/qtkeyplatform.h"
#include "tests/support/testutil.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

class HostilePageTest : public testing::Test {
protected:
    void SetUp() override
    {
        SetCurrentKeyPlatform(&keyboard);
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }
    void TearDown() override
    {
        SetCurrentKeyPlatform(nullptr);
        TQuitWatcher::Instance().Reset();
    }

    bool Find(const std::string &type, const std::string &name)
    {
        return FindFormElement(*form.EmbeddedWB1, type, name, 1, form.FoundFormIndex,
                               form.FoundElementIndex);
    }
    QString ShowFields()
    {
        form.Memo1->hide();
        QTest::mouseClick(form.Button2, Qt::LeftButton);
        return form.Memo1->toPlainText();
    }
    // The close a window manager asks for, as the window system delivers it.
    void RequestCloseLater(int ms)
    {
        QTimer::singleShot(ms, &form, [this] {
            QCloseEvent close;
            QCoreApplication::sendEvent(form.windowHandle(), &close);
        });
    }

    testutil::TCapturingPresenter errors;
    TQtKeyPlatform keyboard{TKeyboardLayout::French()};
    TForm1 form;
};

TEST_F(HostilePageTest, APageThatRewritesItsOwnWorldChangesNothingTheToolReads)
{
    TEmbeddedWB &browser = *form.EmbeddedWB1;
    browser.Navigate(testutil::PageUrl("hostile.html"));
    ASSERT_TRUE(testutil::WaitUntil([&] { return browser.ReadyState() == 3; }));
    // Its forged "complete" reports were not taken for the bridge's.
    QTest::qWait(500);
    EXPECT_EQ(browser.ReadyState(), 3);
    EXPECT_TRUE(browser.Busy());

    ASSERT_TRUE(Find("file", "image"));
    EXPECT_EQ(form.FoundElementIndex, 1);
    SetFormField(browser, GetFormByIndex(IHTMLDocument2(browser.ReadProperty(DISPID_DOCUMENT)), 0),
                 "city", "Roubaix", 0);
    EXPECT_EQ(ShowFields(), "city - text - Roubaix\n"
                            "image - file - \n"
                            " - button - Envoyer");
    EXPECT_TRUE(errors.Texts.isEmpty()) << errors.Texts.join('\n').toStdString();
}

TEST_F(HostilePageTest, KeysThePageRedirectsOrMakesUpAttachNothing)
{
    const QString images =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
        "/nvk/drive_c/Projects/qmtx/Images";
    QDir().mkpath(images);
    QFile photo(images + "/V1269038-02.jpg");
    ASSERT_TRUE(photo.open(QIODevice::WriteOnly));
    photo.write("\xFF\xD8\xFF photo");
    photo.close();

    TEmbeddedWB &browser = *form.EmbeddedWB1;
    ASSERT_TRUE(testutil::Load(browser, "steal.html"));
    ASSERT_TRUE(Find("file", "image"));
    browser.FocusBrowser();
    CallFoundElement(browser, form.FoundFormIndex, form.FoundElementIndex, "focus");
    ASSERT_TRUE(testutil::WaitUntil([&] {
        return testutil::RunInPage(browser, "document.hasFocus() && "
                                            "document.activeElement === document.forms[0].image") ==
               "true";
    }));
    // The first key goes to the photo field, the rest to the page's own.
    EXPECT_TRUE(SendKeys("c:\\Projects\\qmtx\\Images\\V1269038-02.jpg", true));
    EXPECT_TRUE(PageHasForms(browser)); // a call, after which typed paths are attached
    EXPECT_GE(testutil::RunInPage(browser, "String(trustedKeys)").toInt(), 38); // they came
    EXPECT_EQ(testutil::RunInPage(browser, "document.forms[0].image.files.length + ' ' + "
                                           "document.forms[0].decoy.files.length"),
              "0 0");
    EXPECT_TRUE(errors.Texts.isEmpty()) << errors.Texts.join('\n').toStdString();
}

TEST_F(HostilePageTest, APageThatNeverGivesItsThreadBackCostsEachCallItsBound)
{
    TEmbeddedWB &browser = *form.EmbeddedWB1;
    browser.Bridge()->SetCallTimeout(1500);
    ASSERT_TRUE(testutil::Load(browser, "busy.html"));
    QTest::qWait(800);

    // The busy cursor shows while the handler waits, and goes with it,
    // although it ended with an error box.
    Qt::CursorShape during = Qt::ArrowCursor;
    QTimer::singleShot(500, &form, [&] {
        if (const QCursor *cursor = QGuiApplication::overrideCursor())
            during = cursor->shape();
    });
    QElapsedTimer elapsed;
    elapsed.start();
    ShowFields();
    EXPECT_LT(elapsed.elapsed(), 4000);
    EXPECT_EQ(during, Qt::BusyCursor);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(errors.Texts,
              QStringList{"Cette opération a été abandonnée car le délai d'attente a expiré."});
    errors.Texts.clear();

    // The window answers meanwhile: closed during the next call, the tool
    // is gone at once.
    QTimer::singleShot(0, form.Button2, &QPushButton::click);
    RequestCloseLater(300);
    elapsed.restart();
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_LT(elapsed.elapsed(), 1200);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(errors.Texts.isEmpty()) << errors.Texts.join('\n').toStdString();
    browser.Bridge()->SetCallTimeout(TPageBridge::kDefaultCallTimeoutMs);
}

TEST_F(HostilePageTest, AHundredThousandFieldsCanBeClosedDuringShowFields)
{
    ASSERT_TRUE(testutil::Load(*form.EmbeddedWB1, "many.html", 60000));
    QTimer::singleShot(0, form.Button2, &QPushButton::click);
    RequestCloseLater(1000);
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_LT(elapsed.elapsed(), 3000);
    EXPECT_TRUE(errors.Texts.isEmpty()) << errors.Texts.join('\n').toStdString();
}
