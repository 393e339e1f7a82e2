#include "app/frmmain.h"
#include "browser/embeddedwb.h"
#include "tests/support/testutil.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

class FieldListerTest : public testing::Test {
protected:
    void SetUp() override
    {
        form.show();
        testutil::WatchConsole(*form.EmbeddedWB1);
    }
    void PressShowFields() { QTest::mouseClick(form.Button2, Qt::LeftButton); }
    QString Lines() const { return form.Memo1->toPlainText(); }

    TForm1 form;
};

TEST_F(FieldListerTest, ListsEveryElementFormByForm)
{
    ASSERT_TRUE(testutil::Load(*form.EmbeddedWB1, "lookup.html"));
    PressShowFields();
    EXPECT_TRUE(form.Memo1->isVisible());
    // Radios and check boxes show their value attribute, not their state.
    EXPECT_EQ(Lines(), "dup - text - premier\n"
                       "company_ad - radio - 0\n"
                       "company_ad - radio - 1\n"
                       "image - file - \n"
                       " - button - Envoyer la photo\n"
                       "urgent - checkbox - oui\n"
                       "dup - text - second\n"
                       "continue - submit - Continuer");
}

TEST_F(FieldListerTest, HidingKeepsTheLinesAndShowingAgainRefills)
{
    ASSERT_TRUE(testutil::Load(*form.EmbeddedWB1, "forms.html"));
    PressShowFields();
    const QString first = Lines();
    EXPECT_TRUE(first.startsWith("city - text - Lille\n")) << first.toStdString();

    testutil::RunInPage(*form.EmbeddedWB1, "document.forms[0].city.value = 'Roubaix'");
    PressShowFields();
    EXPECT_FALSE(form.Memo1->isVisible());
    EXPECT_EQ(Lines(), first);

    PressShowFields();
    EXPECT_TRUE(form.Memo1->isVisible());
    EXPECT_TRUE(Lines().startsWith("city - text - Roubaix\n")) << Lines().toStdString();
    EXPECT_EQ(Lines().count('\n'), first.count('\n'));
}

TEST_F(FieldListerTest, APageWithoutFormsShowsAnEmptyMemo)
{
    PressShowFields();
    EXPECT_TRUE(Lines().isEmpty());
    PressShowFields();
    ASSERT_TRUE(testutil::Load(*form.EmbeddedWB1, "image.html"));
    PressShowFields();
    EXPECT_TRUE(form.Memo1->isVisible());
    EXPECT_TRUE(Lines().isEmpty());
}
