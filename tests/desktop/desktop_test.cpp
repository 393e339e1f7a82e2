// The built tool on a real X display, driven as a user drives it: its
// buttons pressed with real X input, its window closed with the request a
// window manager sends, signals sent to its process. Judged by the practice
// site's records, the tool's exit, the windows on the screen and the steps
// its diagnostics report; a failing test keeps a picture of the screen.
#include "tests/desktop/toolrun.h"
#include "workflows/adtables.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/prctl.h>

namespace {

struct TPhase {
    const char *name;
    // The diagnostic line that opens the phase, and which one of them.
    const char *line;
    int occurrence;
};

// GO's phases, each at a moment where the page or the typing is in motion.
const TPhase kGoPhases[] = {
    {"PageLoading", "AddVO: loading the form", 2},
    {"Filling", "AddVO: filling the form", 1},
    {"TypingThePath", "AddPhoto: typing the path", 1},
    {"TheUpload", "AddPhoto: uploading", 1},
    {"ThePause", "AddPhoto: pausing", 1},
};

void PrintTo(const TPhase &phase, std::ostream *out)
{
    *out << phase.name;
}

const char kGoEnds[] = "handler ends: \"Button1\" depth 1";
const char kDeleteAllEnds[] = "handler ends: \"BtnGoDeleteAll\" depth 1";

QString Sha256Of(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
}

// GO's four uploads: photos 1, 1, 2 and 3, each with the whole ad.
void ExpectFourFullUploads(const TToolRun &run)
{
    const std::vector<QJsonObject> uploads = run.Records(QStringLiteral("upload"));
    ASSERT_EQ(uploads.size(), 4u);
    const int photos[] = {1, 1, 2, 3};
    for (size_t i = 0; i < uploads.size(); ++i) {
        SCOPED_TRACE(i);
        const QJsonObject file = uploads[i].value(QLatin1String("file")).toObject();
        EXPECT_TRUE(uploads[i].value(QLatin1String("accepted")).toBool());
        EXPECT_EQ(file.value(QLatin1String("sha256")).toString(), Sha256Of(run.PhotoPath(photos[i])));
        const QJsonObject fields = uploads[i].value(QLatin1String("fields")).toObject();
        for (const auto &field : adtables::LocationFields)
            EXPECT_EQ(fields.value(field.Name).toString(), field.Value) << field.Name;
        for (const auto &field : adtables::AdvertiserFields)
            EXPECT_EQ(fields.value(field.Name).toString(), field.Value) << field.Name;
        EXPECT_EQ(fields.value(QLatin1String("company_ad")).toString(), "1");
    }
}

QString TestName()
{
    const testing::TestInfo *info = testing::UnitTest::GetInstance()->current_test_info();
    return QString::fromLatin1(info->test_suite_name()) + '.' + info->name();
}

} // namespace

class DesktopTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(display.IsUp()) << "Xvfb did not start";
        ASSERT_TRUE(run.Start()) << run.Log().toStdString();
    }
    void TearDown() override
    {
        if (HasFailure()) {
            const QString shot = run.KeepScreenshot(QString(TestName()).replace('/', '_'));
            ADD_FAILURE() << "screen kept in " << shot.toStdString() << "\n"
                          << run.Log().right(4000).toStdString();
        }
    }

    // Ends the run the way the test chose (close, signal) and checks that the
    // tool went at once and cleanly: status 0 within two seconds, no engine
    // process left, no box, and no step of a workflow after the request.
    void ExpectCleanEnd(const std::function<void()> &end)
    {
        const qint64 endAt = QDateTime::currentMSecsSinceEpoch();
        QElapsedTimer elapsed;
        elapsed.start();
        end();
        ASSERT_TRUE(run.WaitForExit(2000)) << "still running after " << elapsed.elapsed() << " ms";
        EXPECT_EQ(run.Tool().exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(run.Tool().exitCode(), 0);
        QThread::msleep(300);
        EXPECT_TRUE(run.LeftoverEngineProcesses().isEmpty())
            << run.LeftoverEngineProcesses().join(' ').toStdString();
        EXPECT_TRUE(run.WindowsSeen().isEmpty()) << run.WindowsSeen().join(" | ").toStdString();
        for (const QString &line : run.LogFrom(QStringLiteral("quit requested"))) {
            for (const char *step : {"navigate ", "typing the path", "uploading", "error shown",
                                     "handler starts"})
                EXPECT_FALSE(line.contains(QLatin1String(step))) << line.toStdString();
        }
        // What the site received after the request went out before it.
        for (const char *event : {"view", "upload", "delete"}) {
            for (const QJsonObject &record : run.Records(QLatin1String(event))) {
                const qint64 at = QDateTime::fromString(record.value(QLatin1String("time")).toString(),
                                                        Qt::ISODateWithMs)
                                      .toMSecsSinceEpoch();
                EXPECT_LT(at, endAt + 1000) << event;
            }
        }
    }

    TXDisplay display;
    TToolRun run{display};
};

class GoPhaseTest : public DesktopTest, public testing::WithParamInterface<TPhase> {};

TEST_P(GoPhaseTest, ShowFieldsPressedDuringGoLeavesGoWhole)
{
    run.Press("Button1");
    ASSERT_TRUE(run.WaitForLog(GetParam().line, GetParam().occurrence));
    run.Press("Button2");
    ASSERT_TRUE(run.WaitForLog(kGoEnds, 1, 60000));
    EXPECT_TRUE(run.Log().contains("handler starts: \"Button2\" depth 2"));
    EXPECT_TRUE(run.WindowsSeen().isEmpty()) << run.WindowsSeen().join(" | ").toStdString();
    ExpectFourFullUploads(run);
}

TEST_P(GoPhaseTest, ClosingTheWindowDuringGoEndsTheToolAtOnce)
{
    run.Press("Button1");
    ASSERT_TRUE(run.WaitForLog(GetParam().line, GetParam().occurrence));
    ExpectCleanEnd([&] { run.RequestClose(); });
}

INSTANTIATE_TEST_SUITE_P(Phases, GoPhaseTest, testing::ValuesIn(kGoPhases),
                         [](const testing::TestParamInfo<TPhase> &info) { return info.param.name; });

TEST_F(DesktopTest, ShowFieldsPressedDuringDeleteAllLeavesItWhole)
{
    run.Press("BtnGoDeleteAll");
    ASSERT_TRUE(run.WaitForLog("id=144737339"));
    run.Press("Button2");
    ASSERT_TRUE(run.WaitForLog(kDeleteAllEnds, 1, 90000));
    EXPECT_TRUE(run.Log().contains("handler starts: \"Button2\" depth 2"));
    EXPECT_TRUE(run.WindowsSeen().isEmpty()) << run.WindowsSeen().join(" | ").toStdString();
    const std::vector<QJsonObject> deletions = run.Records(QStringLiteral("delete"));
    ASSERT_EQ(deletions.size(), adtables::DeleteAllNumbers.size());
    for (size_t i = 0; i < deletions.size(); ++i) {
        EXPECT_EQ(deletions[i].value(QLatin1String("ad")).toString(), adtables::DeleteAllNumbers[i]);
        EXPECT_TRUE(deletions[i].value(QLatin1String("deleted")).toBool()) << i;
    }
}

TEST_F(DesktopTest, ClosingTheWindowDuringDeleteAllEndsTheToolAtOnce)
{
    run.Press("BtnGoDeleteAll");
    ASSERT_TRUE(run.WaitForLog("id=147230215"));
    ExpectCleanEnd([&] { run.RequestClose(); });
}

TEST_F(DesktopTest, TerminationSignalsDuringGoEndTheToolAtOnce)
{
    run.Press("Button1");
    ASSERT_TRUE(run.WaitForLog("AddPhoto: pausing"));
    ExpectCleanEnd([&] { run.Signal(SIGTERM); });
}

TEST_F(DesktopTest, CtrlCDuringDeleteAllEndsTheToolAtOnce)
{
    run.Press("BtnGoDeleteAll");
    ASSERT_TRUE(run.WaitForLog("id=144737339"));
    ExpectCleanEnd([&] { run.Signal(SIGINT); });
}

int main(int argc, char **argv)
{
    // Engine processes that outlive the tool become the test's children,
    // where the test can see them.
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
