#include "browser/messagepump.h"
#include "practice/practicesite.h"
#include "tests/workflows/workflowtest.h"
#include "workflows/adtables.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>

namespace {

QString DriveC()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           "/nvk/drive_c";
}

// The three photos where the typed paths find them.
void PlacePhotos()
{
    const QString images = DriveC() + "/Projects/qmtx/Images";
    QDir().mkpath(images);
    for (const char *name : {"V1269038-01.jpg", "V1269038-02.jpg", "V1269038-03.jpg"}) {
        QFile::remove(images + "/" + name);
        ASSERT_TRUE(QFile::copy(QString(NVK_PRACTICE_PHOTOS_DIR) + "/" + name, images + "/" + name));
    }
}

QString Sha256Of(const QString &path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
}

// The records the site made since the mark, of the given event.
std::vector<QJsonObject> RecordsSince(size_t mark, const QString &event)
{
    std::vector<QJsonObject> found;
    const std::vector<QJsonObject> all = testutil::PracticeSite().records();
    for (size_t i = mark; i < all.size(); ++i) {
        if (all[i].value("event").toString() == event)
            found.push_back(all[i]);
    }
    return found;
}

size_t Mark()
{
    return testutil::PracticeSite().records().size();
}

} // namespace

class WorkflowsTest : public WorkflowTest {
protected:
    void SetUp() override
    {
        testutil::PracticeSite().reset();
        testutil::PracticeSite().setPhotoUpload(practice::PracticeSite::PhotoUpload::Form);
        PlacePhotos();
        WorkflowTest::SetUp();
    }
};

// GO as the window's button runs it: two fillings of a fresh form and four
// uploads, photos 1, 1, 2 and 3, each with the exact bytes and the whole ad,
// whether the page sends each photo with the form or by script.
TEST_F(WorkflowsTest, GoFillsTheFormTwiceAndUploadsFourPhotosWithTheFixedAd)
{
    for (const auto upload : {practice::PracticeSite::PhotoUpload::Form,
                              practice::PracticeSite::PhotoUpload::Script}) {
        SCOPED_TRACE(upload == practice::PracticeSite::PhotoUpload::Script ? "by script"
                                                                           : "with the form");
        testutil::PracticeSite().setPhotoUpload(upload);
        const size_t mark = Mark();
        Qt::CursorShape during = Qt::ArrowCursor;
        QTimer::singleShot(2000, form.get(), [&] {
            if (const QCursor *cursor = QGuiApplication::overrideCursor())
                during = cursor->shape();
        });
        Click(form->Button1);
        // The busy cursor shows while GO runs, and goes when it ends.
        EXPECT_EQ(during, Qt::BusyCursor);
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

        std::vector<QString> formViews;
        for (const QJsonObject &view : RecordsSince(mark, "view")) {
            if (view.value("page").toString() == "form")
                formViews.push_back(view.value("draft").toString());
        }
        EXPECT_EQ(formViews.size(), 2u);

        const std::vector<QJsonObject> uploads = RecordsSince(mark, "upload");
        ASSERT_EQ(uploads.size(), 4u);
        const QString images = DriveC() + "/Projects/qmtx/Images/";
        const char *const expectedPhotos[] = {"V1269038-01.jpg", "V1269038-01.jpg", "V1269038-02.jpg",
                                              "V1269038-03.jpg"};
        for (size_t i = 0; i < uploads.size(); ++i) {
            const QJsonObject upload = uploads[i];
            const QJsonObject file = upload.value("file").toObject();
            EXPECT_TRUE(upload.value("accepted").toBool()) << i << " " << upload.value("reason").toString().toStdString();
            EXPECT_EQ(file.value("name").toString(), expectedPhotos[i]) << i;
            EXPECT_EQ(file.value("sha256").toString(), Sha256Of(images + expectedPhotos[i])) << i;

            const QJsonObject fields = upload.value("fields").toObject();
            for (const auto &field : adtables::LocationFields)
                EXPECT_EQ(fields.value(field.Name).toString(), field.Value) << i << " " << field.Name;
            for (const auto &field : adtables::AdvertiserFields)
                EXPECT_EQ(fields.value(field.Name).toString(), field.Value) << i << " " << field.Name;
            EXPECT_EQ(fields.value("company_ad").toString(), "1") << i;
        }
        // The second run fills a fresh form: its three photos share one draft.
        EXPECT_EQ(uploads[1].value("draft"), uploads[2].value("draft"));
        EXPECT_EQ(uploads[2].value("draft"), uploads[3].value("draft"));
        EXPECT_NE(uploads[0].value("draft"), uploads[1].value("draft"));
    }
}

TEST_F(WorkflowsTest, OnlyTrustedTypingOfAReadableSmallFileAttachesIt)
{
    form->AddVO();

    // Key events made by the page's own script name a real photo, but are
    // not typing: the upload that follows carries no file.
    testutil::RunInPage(*form->EmbeddedWB1, R"(
        const field = document.forms[0].image;
        field.focus();
        for (const key of 'c:\\Projects\\qmtx\\Images\\V1269038-01.jpg')
            field.dispatchEvent(new KeyboardEvent('keydown', { key, bubbles: true }));
    )");
    // The page's button sends nothing while its file field is empty.
    const auto fieldFiles = [&] {
        return testutil::RunInPage(*form->EmbeddedWB1, "String(document.forms[0].image.files.length)");
    };
    size_t mark = Mark();
    form->AddPhoto("");
    EXPECT_TRUE(RecordsSince(mark, "upload").empty());
    EXPECT_EQ(fieldFiles(), "0");

    // A path that names no file, and a file over 20 MiB, attach nothing.
    QFile big(DriveC() + "/big.jpg");
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    QByteArray jpeg(20 * 1024 * 1024 + 1, '\0');
    jpeg[0] = char(0xFF);
    jpeg[1] = char(0xD8);
    jpeg[2] = char(0xFF);
    big.write(jpeg);
    big.close();
    for (const char *path : {"c:\\Projects\\nothing-here.jpg", "c:\\big.jpg"}) {
        // Each typing starts from an empty field, as on a page just opened.
        testutil::RunInPage(*form->EmbeddedWB1, "location.reload()");
        ASSERT_TRUE(form->EmbeddedWB1->WaitForPage(10000));
        mark = Mark();
        form->AddPhoto(path);
        EXPECT_TRUE(RecordsSince(mark, "upload").empty()) << path;
        EXPECT_EQ(fieldFiles(), "0") << path;
    }
    QFile::remove(DriveC() + "/big.jpg");

    // Typed for real, the photo goes.
    testutil::RunInPage(*form->EmbeddedWB1, "location.reload()");
    ASSERT_TRUE(form->EmbeddedWB1->WaitForPage(10000));
    mark = Mark();
    form->AddPhoto(adtables::PhotoPaths[1]);
    const std::vector<QJsonObject> uploads = RecordsSince(mark, "upload");
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_EQ(uploads[0].value("file").toObject().value("name").toString(), "V1269038-02.jpg");
}

TEST_F(WorkflowsTest, DeleteIdAndDeleteAllAnswerThePasswordPage)
{
    size_t mark = Mark();
    Click(form->BtnGoDeleteOne);
    std::vector<QJsonObject> deletions = RecordsSince(mark, "delete");
    ASSERT_EQ(deletions.size(), 1u);
    EXPECT_EQ(deletions[0].value("ad").toString(), "128400201");
    EXPECT_TRUE(deletions[0].value("password_ok").toBool());

    mark = Mark();
    Click(form->BtnGoDeleteAll);
    deletions = RecordsSince(mark, "delete");
    ASSERT_EQ(deletions.size(), adtables::DeleteAllNumbers.size());
    for (size_t i = 0; i < deletions.size(); ++i) {
        EXPECT_EQ(deletions[i].value("ad").toString(), adtables::DeleteAllNumbers[i]) << i;
        EXPECT_TRUE(deletions[i].value("password_ok").toBool()) << i;
    }
}

TEST_F(WorkflowsTest, UnknownEmptyAndBlankPaddedNumbersEndQuietly)
{
    for (const char *number : {"999999999", "", " 143435561 "}) {
        const size_t mark = Mark();
        form->EdNumber->setText(number);
        Click(form->BtnGoDeleteOne);
        EXPECT_TRUE(RecordsSince(mark, "delete").empty()) << '"' << number << '"';
    }
}

TEST_F(WorkflowsTest, ASecondWorkflowStartedDuringAWaitRunsNested)
{
    const size_t mark = Mark();
    bool nestedRan = false;
    QTimer::singleShot(1500, form.get(), [&] {
        Click(form->BtnGoDeleteOne);
        nestedRan = true;
    });
    Click(form->Button1);
    EXPECT_TRUE(nestedRan);
    const std::vector<QJsonObject> deletions = RecordsSince(mark, "delete");
    ASSERT_EQ(deletions.size(), 1u);
    EXPECT_EQ(deletions[0].value("ad").toString(), "128400201");
    // GO went on from the page the inner workflow left, without a box (the
    // fixture checks), and the window is still there.
    EXPECT_TRUE(form->isVisible());
}

TEST_F(WorkflowsTest, ClosingTheWindowDuringGoEndsTheLoopOnceGoUnwinds)
{
    QTimer::singleShot(0, form->Button1, &QPushButton::click);
    QTimer::singleShot(3000, form.get(), &QWidget::close);
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_EQ(QCoreApplication::exec(), 0);
    // GO alone lasts over twenty seconds; after the close its pauses and
    // waits end at once.
    EXPECT_LT(elapsed.elapsed(), 8000);
    TQuitWatcher::Instance().Reset();
}

TEST_F(WorkflowsTest, ShowFieldsListsThePracticeFormWhole)
{
    form->AddVO();
    Click(form->Button2);
    const QStringList lines = form->Memo1->toPlainText().split('\n');
    const int elements = testutil::RunInPage(*form->EmbeddedWB1,
        "Array.from(document.forms).reduce((n, f) => n + f.elements.length, 0)").toInt();
    EXPECT_EQ(lines.size(), elements);
    EXPECT_TRUE(lines.contains(" - fieldset - ")) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines.contains("image - file - ")) << lines.join('\n').toStdString();
}

// Last: the site stops answering for good.
TEST_F(WorkflowsTest, ASiteThatRefusesConnectionsEndsEachWaitAndTheWorkflowGoesOn)
{
    testutil::PracticeSite().stop();
    QElapsedTimer elapsed;
    elapsed.start();
    Click(form->BtnGoDeleteOne);
    EXPECT_LT(elapsed.elapsed(), 15000);
    elapsed.restart();
    Click(form->Button2);
    EXPECT_TRUE(form->Memo1->isVisible());
}
