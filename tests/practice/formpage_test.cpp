// The ad-submission form and the deletion pages in a real Qt WebEngine page,
// routed to the practice site through its proxy address the way the tool's
// browser is: the page's own script must make the department follow the
// region and the SIREN field follow the company radio button, and the photo
// button must send the form and get it back as it was.

#include "tests/practice/sitefixture.h"

#include <QApplication>
#include <QJsonArray>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <unistd.h>

namespace practice::test {
namespace {

PracticeSite* site = nullptr;

QStringList& unexpectedMessages()
{
    static QStringList messages;
    return messages;
}

// What the engine prints on every headless start, without meaning.
bool isEngineNoise(const QString& message)
{
    static const QStringList noise{
        QStringLiteral("Sandboxing disabled by user"),
        QStringLiteral("WebEngineContext used before QtWebEngineCore::initialize"),
        QStringLiteral("No suitable graphics backend found"),
        QStringLiteral("GL Type:"),
        QStringLiteral("This plugin does not support propagateSizeHints()"),
    };
    return std::any_of(noise.begin(), noise.end(), [&](const QString& n) { return message.contains(n); });
}

void handleMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
    if (type != QtDebugMsg && type != QtInfoMsg && !isEngineNoise(message)) {
        unexpectedMessages().append(message);
    }
}

class ConsolePage : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                  const QString& source) override
    {
        if (level == ErrorMessageLevel) {
            unexpectedMessages().append(QStringLiteral("console: %1 (%2:%3)").arg(message, source).arg(line));
        }
    }
};

// The last record of the event: the browser goes on fetching the page's
// style sheet, icon and thumbnails after the request that matters.
QJsonObject lastRecordOf(const char* event)
{
    const auto records = site->records();
    const auto found = std::find_if(records.rbegin(), records.rend(),
                                    [&](const QJsonObject& r) { return r.value("event").toString() == event; });
    return found == records.rend() ? QJsonObject() : *found;
}

qsizetype countOf(const char* event)
{
    const auto records = site->records();
    return std::count_if(records.begin(), records.end(),
                         [&](const QJsonObject& r) { return r.value("event").toString() == event; });
}

const QString formAddress = QStringLiteral("http://annonces.nvk.test/ai/form/0?ca=17_s");
constexpr int boundMs = 20000;

// One browser per test, on an off-the-record profile so that nothing is
// kept from one test to the next.
class BrowserPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        site->reset();
        unexpectedMessages().clear();
        profile_ = std::make_unique<QWebEngineProfile>();
        page_ = std::make_unique<ConsolePage>(profile_.get());
        view_ = std::make_unique<QWebEngineView>();
        view_->setPage(page_.get());
        view_->resize(1000, 800);
        view_->show();
    }

    void TearDown() override
    {
        view_.reset();
        page_.reset();
        profile_.reset();
        EXPECT_TRUE(unexpectedMessages().isEmpty()) << unexpectedMessages().join('\n').toStdString();
    }

    // Loads the address and waits for the end of the load; the load's
    // outcome, or false when the time bound passed.
    bool load(const QString& address)
    {
        QSignalSpy finished(page_.get(), &QWebEnginePage::loadFinished);
        page_->load(QUrl(address));
        return waitForLoad(finished);
    }

    bool waitForLoad(QSignalSpy& finished)
    {
        if (!QTest::qWaitFor([&] { return !finished.isEmpty(); }, boundMs)) {
            ADD_FAILURE() << "page did not load";
            return false;
        }
        return finished.first().first().toBool();
    }

    // Runs the script in the page and returns its result; scripts that
    // return structures return them as JSON text.
    QVariant js(const QString& script)
    {
        auto result = std::make_shared<std::optional<QVariant>>();
        page_->runJavaScript(script, [result](const QVariant& value) { *result = value; });
        if (!QTest::qWaitFor([&] { return result->has_value(); }, boundMs)) {
            ADD_FAILURE() << "no answer to " << script.toStdString();
            return {};
        }
        return **result;
    }

    QJsonObject jsObject(const QString& script)
    {
        return QJsonDocument::fromJson(js(script).toString().toUtf8()).object();
    }

    // Clicks the element and waits for the page it leads to.
    bool clickAndWait(const QString& element)
    {
        QSignalSpy finished(page_.get(), &QWebEnginePage::loadFinished);
        js(element + ".click()");
        return waitForLoad(finished);
    }

    // Sets a field of the first form as the tool does: value, then a
    // bubbling change event, except for the text area.
    void setField(const QString& name, const QString& value)
    {
        const QString args = QString::fromUtf8(QJsonDocument(QJsonArray{name, value}).toJson(QJsonDocument::Compact));
        js(QStringLiteral("(([name, value]) => {"
                          "  const e = document.forms[0].elements.namedItem(name);"
                          "  e.value = value;"
                          "  if (e.tagName !== 'TEXTAREA') e.dispatchEvent(new Event('change', {bubbles: true}));"
                          "})(%1)")
               .arg(args));
    }

    // The tool's lookup: the first element of all forms, in document order,
    // with the type and name, as an expression.
    static QString findElement(const QString& type, const QString& name)
    {
        return QStringLiteral("Array.from(document.forms).flatMap((f) => Array.from(f.elements))"
                              ".find((e) => e.type === '%1' && e.name === '%2')")
            .arg(type, name);
    }

    std::unique_ptr<QWebEngineProfile> profile_;
    std::unique_ptr<ConsolePage> page_;
    std::unique_ptr<QWebEngineView> view_;
};

TEST_F(BrowserPage, FormOffersWhatTheToolLooksFor)
{
    ASSERT_TRUE(load(formAddress));
    const QJsonObject form = jsObject(QStringLiteral(R"js(JSON.stringify((() => {
        const forms = Array.from(document.forms);
        const first = forms[0];
        const types = {};
        for (const e of first.elements) {
            if (e.name) (types[e.name] = types[e.name] || []).push(e.type);
        }
        const options = (n) => Array.from(first.elements.namedItem(n).options).map((o) => o.value);
        const all = forms.flatMap((f) => Array.from(f.elements));
        const upload = all.find((e) => e.type === 'button' && e.name === '');
        return {
            forms: forms.length,
            first: first.id,
            types,
            everyElementNamed: all.every((e) => typeof e.name === 'string'),
            upload: upload ? upload.id : null,
            uploadForm: upload ? forms.indexOf(upload.form) : -1,
            region: options('region'), dpt: options('dpt_code'), category: options('category'),
            fuel: options('fuel'), gearbox: options('gearbox'),
            radios: Array.from(first.elements.namedItem('company_ad')).map((r) => r.value),
        };
    })()))js"));
    EXPECT_EQ(form.value("forms").toInt(), 2);
    EXPECT_EQ(form.value("first").toString(), "ad-form");
    EXPECT_TRUE(form.value("everyElementNamed").toBool());
    EXPECT_EQ(form.value("upload").toString(), "upload-photo");
    EXPECT_EQ(form.value("uploadForm").toInt(), 0);

    const std::vector<std::pair<const char*, const char*>> fields{
        {"region", "select-one"}, {"dpt_code", "select-one"}, {"zipcode", "text"}, {"category", "select-one"},
        {"name", "text"}, {"SIREN", "text"}, {"email", "text"}, {"phone", "text"}, {"subject", "text"},
        {"custom_ref", "text"}, {"regdate", "text"}, {"mileage", "text"}, {"fuel", "select-one"},
        {"gearbox", "select-one"}, {"body", "textarea"}, {"price", "text"}, {"image", "file"},
        {"validate", "submit"}};
    const QJsonObject types = form.value("types").toObject();
    for (const auto& [name, type] : fields) {
        EXPECT_EQ(types.value(name).toArray(), QJsonArray{type}) << name;
    }
    EXPECT_EQ(types.value("company_ad").toArray(), (QJsonArray{"radio", "radio"}));
    EXPECT_EQ(form.value("radios").toArray(), (QJsonArray{"0", "1"}));
    EXPECT_TRUE(form.value("region").toArray().contains("17"));
    EXPECT_FALSE(form.value("dpt").toArray().contains("59"));
    for (const char* list : {"category", "fuel", "gearbox"}) {
        EXPECT_TRUE(form.value(list).toArray().contains("2")) << list;
    }
}

TEST_F(BrowserPage, NordIsChoosableOnlyOnceTheRegionChangeFired)
{
    ASSERT_TRUE(load(formAddress));
    const QString region = QStringLiteral("document.forms[0].elements.namedItem('region')");
    const QString dpt = QStringLiteral("document.forms[0].elements.namedItem('dpt_code')");

    js(region + ".value = '17'; " + dpt + ".value = '59'");
    EXPECT_EQ(js(dpt + ".value").toString(), "") << "chosen before the change event";

    js(region + ".dispatchEvent(new Event('change', {bubbles: true}))");
    js(dpt + ".value = '59'");
    EXPECT_EQ(js(dpt + ".value").toString(), "59");
    EXPECT_EQ(js(dpt + ".selectedOptions[0].text").toString(), "59 – Nord");

    setField("region", "12");
    EXPECT_EQ(js(dpt + ".value").toString(), "") << "Nord kept for Île-de-France";
    EXPECT_FALSE(js(QStringLiteral("Array.from(%1.options).some((o) => o.value === '59')").arg(dpt)).toBool());
}

TEST_F(BrowserPage, CompanyRadioShowsTheSirenField)
{
    ASSERT_TRUE(load(formAddress));
    const QString shown = QStringLiteral("document.getElementById('SIREN').getClientRects().length > 0");
    const QString radios = QStringLiteral("document.forms[0].elements.namedItem('company_ad')");
    EXPECT_FALSE(js(shown).toBool());
    js(radios + "[1].click()");
    EXPECT_TRUE(js(shown).toBool());
    js(radios + "[0].click()");
    EXPECT_FALSE(js(shown).toBool());
}

// Either way of sending photos: with the whole form (a new page comes back),
// or by script (the page stays, shows the answer and empties its field).
class PhotoUpload : public BrowserPage, public ::testing::WithParamInterface<PracticeSite::PhotoUpload> {
protected:
    void TearDown() override
    {
        site->setPhotoUpload(PracticeSite::PhotoUpload::Form);
        BrowserPage::TearDown();
    }
};

TEST_P(PhotoUpload, PhotoButtonSendsThePhotoWithTheFormAndShowsTheThumbnails)
{
    const bool byScript = GetParam() == PracticeSite::PhotoUpload::Script;
    site->setPhotoUpload(GetParam());
    for (int number = 0; number <= 2; ++number) {
        if (number == 0) {
            ASSERT_TRUE(load(formAddress));
            setField("region", "17");
            setField("dpt_code", "59");
            setField("zipcode", "59830");
            setField("category", "2");
            js(QStringLiteral("document.forms[0].elements.namedItem('company_ad')[1].click()"));
            for (const auto& [name, value] : adFields()) {
                if (name != "region" && name != "dpt_code" && name != "category" && name != "company_ad") {
                    setField(QString::fromStdString(name), QString::fromStdString(value));
                }
            }
            continue;
        }
        // A file field takes no typed text in a script; the photo goes in
        // the way a drop would put it there.
        const QString photo = QString::fromLatin1(QByteArray::fromStdString(photoBytes(number)).toBase64());
        const QString fileName = QStringLiteral("V1269038-0%1.jpg").arg(number);
        js(QStringLiteral("(() => {"
                          "  const bytes = Uint8Array.from(atob('%1'), (c) => c.charCodeAt(0));"
                          "  const transfer = new DataTransfer();"
                          "  transfer.items.add(new File([bytes], '%2', {type: 'image/jpeg'}));"
                          "  %3.files = transfer.files;"
                          "})()")
               .arg(photo, fileName, findElement("file", "image")));
        if (byScript) {
            const qsizetype uploads = countOf("upload");
            js(findElement("button", "") + ".click()");
            ASSERT_TRUE(QTest::qWaitFor(
                [&] {
                    return countOf("upload") > uploads &&
                           js(QStringLiteral("document.querySelectorAll('img.thumb').length")).toInt() == number &&
                           js(findElement("file", "image") + ".files.length").toInt() == 0;
                },
                boundMs))
                << "photo " << number;
            EXPECT_TRUE(js(QStringLiteral("document.getElementById('notice-area').textContent"))
                            .toString()
                            .contains(fileName));
        } else {
            ASSERT_TRUE(clickAndWait(findElement("button", ""))) << "photo " << number;
        }

        const QJsonObject record = lastRecordOf("upload");
        EXPECT_TRUE(record.value("accepted").toBool());
        EXPECT_EQ(record.value("file").toObject().value("name").toString(), fileName);
        const QJsonObject fields = record.value("fields").toObject();
        for (const auto& [name, value] : adFields()) {
            EXPECT_EQ(fields.value(QString::fromStdString(name)).toString().toStdString(), value) << name;
        }
    }

    // The page that came back, or the page that stayed: the form as it was
    // sent, an empty file field, and the two photos shown from the site.
    const QJsonObject page = jsObject(QStringLiteral(R"js(JSON.stringify((() => {
        const form = document.forms[0];
        const value = (n) => form.elements.namedItem(n).value;
        return {
            region: value('region'), dpt: value('dpt_code'), name: value('name'), body: value('body'),
            company: form.elements.namedItem('company_ad')[1].checked,
            sirenShown: document.getElementById('SIREN').getClientRects().length > 0,
            files: form.elements.namedItem('image').files.length,
            thumbnails: Array.from(document.querySelectorAll('img.thumb')).map((img) => img.getAttribute('src')),
        };
    })()))js"));
    EXPECT_EQ(page.value("region").toString(), "17");
    EXPECT_EQ(page.value("dpt").toString(), "59");
    EXPECT_EQ(page.value("name").toString(), "Tessaro Groupe");
    EXPECT_EQ(page.value("body").toString(), "corps de l'annonce");
    EXPECT_TRUE(page.value("company").toBool());
    EXPECT_TRUE(page.value("sirenShown").toBool());
    EXPECT_EQ(page.value("files").toInt(), 0);
    EXPECT_EQ(page.value("thumbnails").toArray().size(), 2);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return js(QStringLiteral("Array.from(document.querySelectorAll('img.thumb'))"
                                     ".every((img) => img.complete && img.naturalWidth === 480)"))
                .toBool();
        },
        boundMs));
}

INSTANTIATE_TEST_SUITE_P(Modes, PhotoUpload,
                         ::testing::Values(PracticeSite::PhotoUpload::Form, PracticeSite::PhotoUpload::Script),
                         [](const auto& info) {
                             return std::string(info.param == PracticeSite::PhotoUpload::Script ? "Script" : "Form");
                         });

TEST_F(BrowserPage, PhotoButtonWithoutAPhotoSendsNothing)
{
    ASSERT_TRUE(load(formAddress));
    const qsizetype uploads = countOf("upload");
    js(findElement("button", "") + ".click()");
    EXPECT_TRUE(js(QStringLiteral("document.getElementById('upload-note').hidden === false")).toBool());
    EXPECT_EQ(countOf("upload"), uploads);
}

struct DeletionCase {
    const char* name;
    const char* ad;
    const char* password;
    const char* outcome; // text of the last page
    bool deleted;
};

void PrintTo(const DeletionCase& deletion, std::ostream* out)
{
    *out << deletion.name;
}

class BrowserDeletion : public BrowserPage, public ::testing::WithParamInterface<DeletionCase> {};

// The deletion as the tool walks it: continue, then the password and
// continue again, each button found by its type and name in the forms.
TEST_P(BrowserDeletion, ContinuePasswordContinue)
{
    const DeletionCase& deletion = GetParam();
    load(QStringLiteral("http://annonces.nvk.test/ai?ca=17_s&id=%1&cmd=delete").arg(deletion.ad));
    if (deletion.deleted || std::string(deletion.password).size()) {
        ASSERT_TRUE(clickAndWait(findElement("submit", "continue")));
        js(findElement("password", "passwd") + QStringLiteral(".value = '%1'").arg(deletion.password));
        clickAndWait(findElement("submit", "continue"));
    }
    EXPECT_TRUE(js(QStringLiteral("document.body.innerText")).toString().contains(QString::fromUtf8(deletion.outcome)));
    const QJsonObject record = lastRecordOf(deletion.deleted || *deletion.password ? "delete" : "view");
    EXPECT_EQ(record.value("ad").toString(), deletion.ad);
    EXPECT_EQ(record.value("deleted").toBool(), deletion.deleted);
}

const DeletionCase deletionCases[]{
    {"RightPassword", "152715069", "mvtors5814", "a bien été supprimée", true},
    {"WrongPassword", "152715069", "MVTORS5814", "Mot de passe incorrect", false},
    {"UnknownAd", "152715070", "", "n'existe pas", false},
};

INSTANTIATE_TEST_SUITE_P(Deletions, BrowserDeletion, ::testing::ValuesIn(deletionCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace practice::test

int main(int argc, char** argv)
{
    // The engine reads its proxy from the environment when the application
    // object is made, so the site must be listening, and its port known,
    // before that.
    practice::PracticeSite practiceSite;
    const int port = practiceSite.start(0);
    practice::test::site = &practiceSite;
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", QByteArray("--proxy-server=http://127.0.0.1:") + QByteArray::number(port));
    if (::geteuid() == 0) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    qInstallMessageHandler(practice::test::handleMessage);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    practiceSite.stop();
    return result;
}
