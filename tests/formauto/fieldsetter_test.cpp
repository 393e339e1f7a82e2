#include "browser/embeddedwb.h"
#include "browser/pagebridge.h"
#include "formauto/fieldsetter.h"
#include "formauto/formlookup.h"
#include "tests/support/testutil.h"

#include <gtest/gtest.h>

class FieldSetterTest : public testing::Test {
protected:
    void SetUp() override
    {
        browser.resize(800, 600);
        browser.show();
        testutil::WatchConsole(browser);
        ASSERT_TRUE(testutil::Load(browser, "setter.html"));
        form = GetFormByIndex(IHTMLDocument2(browser.ReadProperty(DISPID_DOCUMENT)), 0);
        ASSERT_FALSE(form.IsNull());
    }
    void Set(const std::string &name, const std::string &value)
    {
        SetFormField(browser, form, name, value, 0);
    }
    QString Page(const QString &script) { return testutil::RunInPage(browser, script); }

    TEmbeddedWB browser;
    IHTMLFormElement form;
};

TEST_F(FieldSetterTest, ListsAndInputsGetTheirValueAndAChangeEvent)
{
    // The department exists only once the region's change handler has run.
    Set("dpt_code", "59");
    EXPECT_EQ(Page("document.forms[0].dpt_code.value"), "");
    Set("region", "17");
    Set("dpt_code", "59");
    EXPECT_EQ(Page("document.forms[0].dpt_code.value"), "59");

    Set("subject", "Essai d'Annonce é à");
    EXPECT_EQ(Page("document.forms[0].subject.value"), "Essai d'Annonce é à");
    // The value is what a submission sends.
    EXPECT_EQ(Page("new FormData(document.forms[0]).get('subject')"), "Essai d'Annonce é à");

    // A text area gets its value without a change event.
    Set("body", "corps de l'annonce");
    EXPECT_EQ(Page("document.forms[0].body.value"), "corps de l'annonce");
    EXPECT_EQ(Page("changes.join(',')"), "dpt_code,region,dpt_code,subject");
}

TEST_F(FieldSetterTest, OnlyTheExactTextCheckedChecks)
{
    const std::pair<const char *, const char *> rows[] = {
        {"checked", "true"}, {"Checked", "false"}, {"checked", "true"}, {"1", "false"}};
    for (const auto &[value, checked] : rows) {
        Set("urgent", value);
        EXPECT_EQ(Page("String(document.forms[0].urgent.checked)"), checked) << value;
    }
    Set("company_ad", "checked");
    EXPECT_EQ(Page("String(document.forms[0].company_ad.checked)"), "true");
}

TEST_F(FieldSetterTest, UnknownFieldsOtherTagsAndNoFormChangeNothing)
{
    Set("no_such_field", "x");
    Set("action", "changé");
    EXPECT_EQ(Page("document.forms[0].action.textContent"), "Action");
    SetFormField(browser, IHTMLFormElement(), "subject", "x", 0);
    EXPECT_EQ(Page("document.forms[0].subject.value + changes.length"), "0");
}

TEST_F(FieldSetterTest, AFailedChangeNotificationIsIgnored)
{
    // The page's handler outlasts the call's time bound, so the notification
    // fails; the value stays set and the setter carries on.
    Page("document.forms[0].subject.addEventListener('change', () => {"
         "  const end = Date.now() + 1500; while (Date.now() < end) {} })");
    browser.Bridge()->SetCallTimeout(500);
    EXPECT_NO_THROW(Set("subject", "lent"));
    browser.Bridge()->SetCallTimeout(TPageBridge::kDefaultCallTimeoutMs);
    EXPECT_EQ(Page("document.forms[0].subject.value"), "lent");
}
