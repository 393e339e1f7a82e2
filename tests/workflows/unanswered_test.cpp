// The workflows against a site whose pages never complete: each page wait
// ends after its ten seconds and the workflow goes on with what is there.
#include "tests/workflows/workflowtest.h"

#include "workflows/adtables.h"

#include <QElapsedTimer>
#include <QUrl>
#include <QUrlQuery>

class UnansweredSiteTest : public WorkflowTest {};

TEST_F(UnansweredSiteTest, DeleteIdWaitsItsLimitAndEnds)
{
    QElapsedTimer elapsed;
    elapsed.start();
    Click(form->BtnGoDeleteOne);
    EXPECT_GE(elapsed.elapsed(), 10000);
    EXPECT_LT(elapsed.elapsed(), 16000);
    EXPECT_EQ(form->EmbeddedWB1->ReadyState(), 3);
}

TEST_F(UnansweredSiteTest, AddVOWorksOnThePageAsItStandsAfterTheWait)
{
    QElapsedTimer elapsed;
    elapsed.start();
    form->AddVO();
    EXPECT_GE(elapsed.elapsed(), 10000);
    EXPECT_LT(elapsed.elapsed(), 16000);
    // The page has a form, without the ad's fields: nothing is set.
    EXPECT_EQ(testutil::RunInPage(*form->EmbeddedWB1, "document.forms[0].q.value"), "");
}

TEST_F(UnansweredSiteTest, DeleteAllTriesEveryAdEachWithinItsWait)
{
    const qsizetype before = testutil::TestServerRequests().size();
    QElapsedTimer elapsed;
    elapsed.start();
    Click(form->BtnGoDeleteAll);
    EXPECT_GE(elapsed.elapsed(), 7 * 10000);
    EXPECT_LT(elapsed.elapsed(), 7 * 16000);
    // The deletion pages the site was asked for, in order.
    QStringList asked;
    for (const QString &target : testutil::TestServerRequests().mid(before)) {
        if (target.contains("cmd=delete"))
            asked << QUrlQuery(QUrl(target)).queryItemValue("id");
    }
    QStringList expected;
    for (const char *number : adtables::DeleteAllNumbers)
        expected << number;
    EXPECT_EQ(asked.join(' ').toStdString(), expected.join(' ').toStdString());
}
