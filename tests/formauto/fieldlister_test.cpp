#include "app/frmmain.h"
#include "browser/embeddedwb.h"
#include "formauto/formlookup.h"
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

TEST_F(FieldListerTest, SectionsAndOtherElementsWithoutAValueShowAnEmptyOne)
{
    ASSERT_TRUE(testutil::Load(*form.EmbeddedWB1, "sections.html"));
    PressShowFields();
    EXPECT_EQ(Lines(), "image - fieldset - \n"
                       "city - text - Lille\n"
                       " - fieldset - \n"
                       "image - file - \n"
                       "total - output - 3\n"
                       "plan -  - \n"
                       "go - submit - Valider");
    // The lookup counts them like any element and matches name then type.
    int32_t formIndex = -1;
    int32_t elementIndex = -1;
    ASSERT_TRUE(FindFormElement(*form.EmbeddedWB1, "file", "image", 1, formIndex, elementIndex));
    EXPECT_EQ(elementIndex, 3);
    ASSERT_TRUE(FindFormElement(*form.EmbeddedWB1, "fieldset", "image", 1, formIndex, elementIndex));
    EXPECT_EQ(elementIndex, 0);
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
