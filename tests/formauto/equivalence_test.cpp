// The one-round-trip scans against the element-by-element walk they replace,
// on pages made to meet every rule of the lookup and the listing: the same
// answers, the same positions, the same lines.
#include "browser/embeddedwb.h"
#include "formauto/fieldlister.h"
#include "formauto/formlookup.h"
#include "tests/formauto/walk.h"
#include "tests/support/testutil.h"

#include <QPlainTextEdit>

#include <gtest/gtest.h>

namespace {

struct TQuery {
    const char *type;
    const char *name;
    int32_t occurrence;
};

const TQuery kQueries[] = {
    {"file", "image", 1},    {"file", "image", 2},      {"file", "image", 3},
    {"file", "image", 4},    {"file", "image", 0},      {"file", "image", -5},
    {"file", "Image", 1},    {"text", "image", 1},      {"fieldset", "image", 1},
    {"output", "image", 1},  {"", "image", 1},          {"select-one", "image", 1},
    {"textarea", "image", 1}, {"submit", "image", 1},   {"radio", "company_ad", 2},
    {"radio", "company_ad", 3}, {"button", "", 1},      {"text", "", 1},
    {"text", "prénom", 1},   {"text", "demi\xef\xbf\xbd", 1}, {"password", "passwd", 1},
    {"submit", "continue", 1}, {"text", "outside", 1},  {"text", "city", 1},
    {"file", "nothing", 1},
};

const char *const kPages[] = {"cases.html", "lookup.html", "forms.html", "sections.html",
                              "hostile.html", "image.html"};

} // namespace

TEST(ScanEquivalence, LookupsAndListingsAnswerAsTheWalkDoes)
{
    TEmbeddedWB browser;
    browser.resize(800, 600);
    browser.show();
    QPlainTextEdit scanned;
    QPlainTextEdit walked;
    for (const char *page : kPages) {
        SCOPED_TRACE(page);
        browser.Navigate(testutil::PageUrl(page));
        ASSERT_TRUE(testutil::WaitUntil([&] { return browser.ReadyState() >= 3; }));
        EXPECT_EQ(PageHasForms(browser), walk::PageHasForms(browser));
        for (const TQuery &query : kQueries) {
            SCOPED_TRACE(std::string(query.type) + " " + query.name + " " +
                         std::to_string(query.occurrence));
            int32_t form = -1;
            int32_t element = -1;
            int32_t walkForm = -1;
            int32_t walkElement = -1;
            EXPECT_EQ(FindFormElement(browser, query.type, query.name, query.occurrence, form, element),
                      walk::FindFormElement(browser, query.type, query.name, query.occurrence,
                                            walkForm, walkElement));
            EXPECT_EQ(form, walkForm);
            EXPECT_EQ(element, walkElement);
        }
        ListFormFields(browser, &scanned);
        walk::ListFormFields(browser, &walked);
        EXPECT_EQ(scanned.toPlainText().toStdString(), walked.toPlainText().toStdString());
    }
}
