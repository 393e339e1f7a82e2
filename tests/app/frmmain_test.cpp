#include "app/frmmain.h"
#include "browser/embeddedwb.h"
#include "tests/support/testutil.h"

#include <QApplication>
#include <QFrame>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct TControlRow {
    const char *name;
    const char *parent;
    QRect geometry;
};

} // namespace

TEST(FormTest, CreatesTheControlsWhereTheWindowDescribesThem)
{
    TForm1 form;
    EXPECT_EQ(form.windowTitle(), "NVK - Enregistrement d'annonces");
    EXPECT_EQ(form.size(), QSize(972, 575));
    EXPECT_EQ(form.FoundFormIndex, 0);
    EXPECT_EQ(form.FoundElementIndex, 0);
    EXPECT_EQ(form.font().pixelSize(), 11);

    const TControlRow rows[] = {
        {"Panel1", "Form1", {0, 542, 972, 33}},
        {"Button1", "Panel1", {864, 9, 91, 18}},
        {"Button2", "Panel1", {440, 10, 97, 17}},
        {"BtnGoDeleteAll", "Panel1", {760, 10, 97, 17}},
        {"BtnGoDeleteOne", "Panel1", {656, 10, 97, 17}},
        {"EdNumber", "Panel1", {539, 7, 110, 21}},
        {"EmbeddedWB1", "Form1", {0, 0, 972, 542}},
        {"Memo1", "Form1", {744, 0, 233, 543}},
    };
    for (const TControlRow &row : rows) {
        auto *control = form.findChild<QWidget *>(row.name);
        ASSERT_NE(control, nullptr) << row.name;
        EXPECT_EQ(control->parentWidget()->objectName(), row.parent) << row.name;
        EXPECT_EQ(control->geometry(), row.geometry) << row.name;
    }
    EXPECT_EQ(form.Button1->text(), "GO");
    EXPECT_EQ(form.Button2->text(), "Show Fields");
    EXPECT_EQ(form.BtnGoDeleteAll->text(), "Delete ALL");
    EXPECT_EQ(form.BtnGoDeleteOne->text(), "Delete ID");
    EXPECT_EQ(form.EdNumber->text(), "128400201");

    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_FALSE(form.Memo1->isVisible());
    EXPECT_TRUE(form.EmbeddedWB1->isVisible());
    EXPECT_TRUE(form.EmbeddedWB1->ReadProperty(DISPID_DOCUMENT).IsEmpty());

    // Tab order: the strip's controls, then the browser, then the memo.
    const QWidget *chain[] = {form.Button1, form.Button2, form.BtnGoDeleteAll,
                              form.BtnGoDeleteOne, form.EdNumber};
    for (size_t i = 0; i + 1 < std::size(chain); ++i)
        EXPECT_EQ(chain[i]->nextInFocusChain(), chain[i + 1]) << i;
}

TEST(FormTest, TabGoesFromTheEditBoxToTheBrowserThenToTheMemo)
{
    TForm1 form;
    form.show();
    form.Memo1->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.activateWindow();
    // The browser's key widget is made once a page is shown.
    ASSERT_TRUE(testutil::Load(*form.EmbeddedWB1, "forms.html"));

    const auto inBrowser = [&] {
        return form.EmbeddedWB1->isAncestorOf(QApplication::focusWidget());
    };
    form.EdNumber->setFocus(Qt::TabFocusReason);
    QTest::keyClick(form.EdNumber, Qt::Key_Tab);
    EXPECT_TRUE(testutil::WaitUntil(inBrowser, 2000)) << QApplication::focusWidget();

    form.Memo1->setFocus(Qt::TabFocusReason);
    QTest::keyClick(form.Memo1, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(testutil::WaitUntil(inBrowser, 2000)) << QApplication::focusWidget();

    // Past the page's own fields, Tab leaves the browser for the memo.
    QWidget *next = QApplication::focusWidget();
    do
        next = next->nextInFocusChain();
    while (next != form.Memo1 && next != form.Button1 && next != form.EdNumber);
    EXPECT_EQ(next, form.Memo1);
}

TEST(FormTest, KeepsItsAnchorsWhenResized)
{
    TForm1 form;
    form.show();
    form.resize(1200, 700);
    const int dw = 1200 - 972;
    const int dh = 700 - 575;
    EXPECT_EQ(form.Panel1->geometry(), QRect(0, 542 + dh, 1200, 33));
    EXPECT_EQ(form.Button1->geometry(), QRect(864 + dw, 9, 91, 18));
    EXPECT_EQ(form.Button2->geometry(), QRect(440 + dw, 10, 97, 17));
    EXPECT_EQ(form.BtnGoDeleteAll->geometry(), QRect(760 + dw, 10, 97, 17));
    EXPECT_EQ(form.BtnGoDeleteOne->geometry(), QRect(656 + dw, 10, 97, 17));
    EXPECT_EQ(form.EdNumber->geometry(), QRect(539, 7, 110, 21));
    EXPECT_EQ(form.EmbeddedWB1->geometry(), QRect(0, 0, 1200, 542 + dh));
    EXPECT_EQ(form.Memo1->geometry(), QRect(744 + dw, 0, 233, 543 + dh));
}
