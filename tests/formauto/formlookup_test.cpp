#include "browser/embeddedwb.h"
#include "browser/errors.h"
#include "formauto/formlookup.h"
#include "tests/support/testutil.h"

#include <QTest>

#include <gtest/gtest.h>

class FormLookupTest : public testing::Test {
protected:
    void SetUp() override
    {
        browser.resize(800, 600);
        browser.show();
        testutil::WatchConsole(browser);
    }

    // Looks up an element; the position starts at (-1, -1) so a failed
    // lookup shows that it left it alone.
    bool Find(const std::string &type, const std::string &name, int32_t occurrence)
    {
        return FindFormElement(browser, type, name, occurrence, formIndex, elementIndex);
    }

    TEmbeddedWB browser;
    int32_t formIndex = -1;
    int32_t elementIndex = -1;
};

TEST_F(FormLookupTest, FindsTheNthMatchByNameThenTypeAcrossForms)
{
    ASSERT_TRUE(testutil::Load(browser, "lookup.html"));
    struct TRow {
        const char *label;
        const char *type;
        const char *name;
        int32_t occurrence;
        bool found;
        int32_t form;
        int32_t element;
    };
    const TRow rows[] = {
        {"second radio", "radio", "company_ad", 2, true, 0, 2},
        {"first radio", "radio", "company_ad", 1, true, 0, 1},
        {"occurrence 0 is the first", "radio", "company_ad", 0, true, 0, 1},
        {"no third radio", "radio", "company_ad", 3, false, -1, -1},
        {"unnamed button", "button", "", 1, true, 0, 4},
        {"occurrence counts across forms", "text", "dup", 2, true, 1, 0},
        {"type must match exactly", "Text", "dup", 1, false, -1, -1},
        {"name must match exactly", "radio", "Company_ad", 1, false, -1, -1},
        {"submit in the second form", "submit", "continue", 1, true, 1, 1},
    };
    for (const TRow &row : rows) {
        formIndex = elementIndex = -1;
        EXPECT_EQ(Find(row.type, row.name, row.occurrence), row.found) << row.label;
        EXPECT_EQ(formIndex, row.form) << row.label;
        EXPECT_EQ(elementIndex, row.element) << row.label;
    }
}

TEST_F(FormLookupTest, CallsTheFoundElementThroughThePosition)
{
    ASSERT_TRUE(testutil::Load(browser, "lookup.html"));
    ASSERT_TRUE(Find("radio", "company_ad", 2));
    CallFoundElement(browser, formIndex, elementIndex, "click");
    EXPECT_EQ(testutil::RunInPage(browser, "String(document.forms[0].company_ad[1].checked)"),
              "true");
    ASSERT_TRUE(Find("button", "", 1));
    CallFoundElement(browser, formIndex, elementIndex, "click");
    EXPECT_EQ(testutil::RunInPage(browser, "document.title"), "envoyée");
    ASSERT_TRUE(Find("file", "image", 1));
    CallFoundElement(browser, formIndex, elementIndex, "focus");
    EXPECT_EQ(testutil::RunInPage(browser, "document.activeElement.name"), "image");

    // A method the element lacks is the caller's error.
    EXPECT_THROW(CallFoundElement(browser, formIndex, elementIndex, "explode"), EOleError);
}

TEST_F(FormLookupTest, APageWithoutFormsHasNoneToFind)
{
    // Before any page, and on a page without a form.
    EXPECT_FALSE(PageHasForms(browser));
    EXPECT_FALSE(Find("text", "dup", 1));
    ASSERT_TRUE(testutil::Load(browser, "image.html"));
    EXPECT_FALSE(PageHasForms(browser));
    EXPECT_FALSE(Find("text", "dup", 1));
    EXPECT_EQ(formIndex, -1);

    Variant document = browser.ReadProperty(DISPID_DOCUMENT);
    EXPECT_TRUE(GetFormByIndex(IHTMLDocument2(document), 0).IsNull());
    EXPECT_TRUE(GetFormByIndex(IHTMLDocument2(Variant()), 0).IsNull());

    ASSERT_TRUE(testutil::Load(browser, "lookup.html"));
    document = browser.ReadProperty(DISPID_DOCUMENT);
    EXPECT_FALSE(GetFormByIndex(IHTMLDocument2(document), 1).IsNull());
    EXPECT_TRUE(GetFormByIndex(IHTMLDocument2(document), 2).IsNull());
    // Taking a form as a document is refused.
    EXPECT_THROW(IHTMLDocument2(GetFormByIndex(IHTMLDocument2(document), 0).AsVariant()),
                 EIntfCastError);
}
