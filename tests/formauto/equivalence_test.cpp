// The one-round-trip scans against the element-by-element walk they replace,
// on pages made to meet every rule of the lookup, the listing, the setter
// and the calls: the same answers, positions, lines, page state and errors.
#include "browser/embeddedwb.h"
#include "formauto/fieldlister.h"
#include "formauto/fieldsetter.h"
#include "formauto/formlookup.h"
#include "tests/formauto/walk.h"
#include "tests/support/testutil.h"

#include <QPlainTextEdit>

#include <functional>
#include <tuple>
#include <typeinfo>

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

namespace {

// What a call did: the exception it raised (class and text), or nothing.
std::string Outcome(const std::function<void()> &call)
{
    try {
        call();
        return "ok";
    } catch (const std::exception &e) {
        return typeid(e).name() + std::string(": ") + e.what();
    }
}

struct TSetting {
    const char *name;
    const char *value;
    int32_t index;
};

const TSetting kSettings[] = {
    {"region", "17", 0},       {"dpt_code", "59", 0},   {"subject", "Essai é à ☃", 0},
    {"urgent", "checked", 0},  {"urgent", "oui", 0},    {"company_ad", "checked", 0},
    {"company_ad", "checked", 1}, {"body", "corps", 0}, {"action", "x", 0},
    {"nothing", "x", 0},       {"subject", "y", 3},     {"Subject", "z", 0},
};

// The page's fields and the change events it saw, after the settings.
const char kPageState[] =
    "JSON.stringify([Array.from(document.forms[0].elements).map((e) => "
    "e.type === 'radio' || e.type === 'checkbox' ? e.checked : e.value), changes])";

} // namespace

TEST(ScanEquivalence, SettingsAndCallsDoAndFailAsTheWalkDoes)
{
    TEmbeddedWB browser;
    browser.resize(800, 600);
    browser.show();
    const auto firstForm = [&] {
        return GetFormByIndex(IHTMLDocument2(browser.ReadProperty(DISPID_DOCUMENT)), 0);
    };

    // Each way in turn on a fresh page: the same outcomes, the same page.
    std::vector<std::string> outcomes[2];
    QString states[2];
    for (int way = 0; way < 2; ++way) {
        ASSERT_TRUE(testutil::Load(browser, "setter.html"));
        const IHTMLFormElement form = firstForm();
        for (const TSetting &setting : kSettings) {
            outcomes[way].push_back(Outcome([&] {
                if (way == 0)
                    walk::SetFormField(browser, form, setting.name, setting.value, setting.index);
                else
                    SetFormField(browser, form, setting.name, setting.value, setting.index);
            }));
        }
        for (auto [f, i, method] : {std::tuple{0, 6, "focus"}, {0, 0, "blur"}, {0, 99, "click"},
                                     {5, 0, "click"}, {0, 2, "nosuchmethod"}, {0, 2, "value"}}) {
            outcomes[way].push_back(Outcome([&] {
                if (way == 0)
                    walk::CallFoundElement(browser, f, i, method);
                else
                    CallFoundElement(browser, f, i, method);
            }));
        }
        states[way] = testutil::RunInPage(browser, kPageState);
    }
    EXPECT_EQ(outcomes[1], outcomes[0]);
    EXPECT_EQ(states[1].toStdString(), states[0].toStdString());
    // The cases meant to fail did.
    const size_t calls = std::size(kSettings);
    EXPECT_NE(outcomes[1][calls + 2], "ok");
    EXPECT_NE(outcomes[1][calls + 4].find("non supportée"), std::string::npos) << outcomes[1][calls + 4];
    EXPECT_NE(outcomes[1][calls + 5], "ok");

    // A form of a page since left is no form, either way.
    ASSERT_TRUE(testutil::Load(browser, "setter.html"));
    const IHTMLFormElement left = firstForm();
    ASSERT_TRUE(testutil::Load(browser, "forms.html"));
    EXPECT_EQ(Outcome([&] { SetFormField(browser, left, "city", "x", 0); }),
              Outcome([&] { walk::SetFormField(browser, left, "city", "x", 0); }));
    EXPECT_EQ(testutil::RunInPage(browser, "document.forms[0].city.value"), "Lille");
}
