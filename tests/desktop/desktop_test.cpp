// The built tool on a real X display, driven as a user drives it: its
// buttons pressed with real X input, its window closed with the request a
// window manager sends, signals sent to its process. Judged by the practice
// site's records, the tool's exit, the windows on the screen and the steps
// its diagnostics report; a failing test keeps a picture of the screen.
#include "tests/desktop/toolrun.h"
#include "workflows/adtables.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>
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

QDateTime TimeOf(const QJsonObject &entry)
{
    return QDateTime::fromString(entry.value(QLatin1String("time")).toString(), Qt::ISODateWithMs);
}

QString Text(const QJsonObject &entry, const char *key)
{
    return entry.value(QLatin1String(key)).toString();
}

QStringList Texts(const std::vector<QJsonObject> &entries, const char *key)
{
    QStringList texts;
    for (const QJsonObject &entry : entries)
        texts.append(entry.value(QLatin1String(key)).toVariant().toString());
    return texts;
}

// The journal holds whole lines only, never the account's password, and the
// pages the workflows opened: those the site answered since the first
// workflow started, in order, with the status the site gave.
void ExpectJournalMatchesSite(const TToolRun &run)
{
    const std::vector<QJsonObject> entries = run.JournalEntries();
    ASSERT_FALSE(entries.empty());
    for (const QJsonObject &entry : entries)
        ASSERT_FALSE(entry.contains(QLatin1String("broken"))) << Text(entry, "broken").toStdString();
    EXPECT_FALSE(run.JournalText().contains(QLatin1String(adtables::AccountPassword.data())));
    ASSERT_EQ(Text(entries.front(), "event"), "start");
    QStringList opened;
    for (const QJsonObject &entry : run.JournalEntries(QStringLiteral("navigation")))
        opened.append(Text(entry, "address") + ' ' + entry.value(QLatin1String("status")).toVariant().toString());
    QStringList answered;
    for (const QJsonObject &record : run.Records({})) {
        const QString event = Text(record, "event");
        if (TimeOf(record) < TimeOf(entries.front()) ||
            !QStringList{"view", "upload", "delete", "submit"}.contains(event))
            continue;
        const QString target = Text(record, "target");
        const QString address = target.startsWith('/') ? "http://" + Text(record, "host") + target : target;
        answered.append(address + ' ' + QString::number(record.value(QLatin1String("status")).toInt()));
    }
    EXPECT_EQ(opened, answered);
}

// GO's journal: each upload's file as the site received it, a refused path
// only while it was being typed, and the runs' ends.
void ExpectJournalOfGo(const TToolRun &run, const QStringList &ends)
{
    ExpectJournalMatchesSite(run);
    QStringList uploaded;
    for (const QJsonObject &upload : run.Records(QStringLiteral("upload")))
        uploaded.append(upload.value(QLatin1String("file")).toObject().value(QLatin1String("sha256")).toString());
    EXPECT_EQ(Texts(run.JournalEntries(QStringLiteral("attach")), "sha256"), uploaded);
    for (const QJsonObject &attach : run.JournalEntries(QStringLiteral("attach")))
        EXPECT_EQ(attach.value(QLatin1String("size")).toInteger(), QFileInfo(Text(attach, "file")).size());
    for (const QJsonObject &refusal : run.JournalEntries(QStringLiteral("refuse")))
        EXPECT_TRUE(QString::fromLatin1(adtables::PhotoPaths[0]).startsWith(Text(refusal, "typed")) &&
                    Text(refusal, "typed") != QString::fromLatin1(adtables::PhotoPaths[0]))
            << Text(refusal, "typed").toStdString();
    EXPECT_EQ(Texts(run.JournalEntries(QStringLiteral("end")), "result"), ends);
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
        ASSERT_TRUE(run.Start(PrepareStateHome())) << run.Log().toStdString();
    }
    // The tool's state folder; empty for one of the run's own.
    virtual QString PrepareStateHome() { return {}; }
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
        const std::vector<QJsonObject> journal = run.JournalEntries();
        ASSERT_FALSE(journal.empty());
        EXPECT_EQ(Text(journal.back(), "event"), "end");
        EXPECT_EQ(Text(journal.back(), "result"), "closed");
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
    ExpectJournalOfGo(run, {"done", "done"});
    EXPECT_EQ(Texts(run.JournalEntries(QStringLiteral("start")), "workflow"),
              QStringList({"GO", "Show Fields"}));
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
    ExpectJournalMatchesSite(run);
    EXPECT_EQ(Texts(run.JournalEntries(QStringLiteral("click")), "name"),
              QStringList(2 * adtables::DeleteAllNumbers.size(), QStringLiteral("continue")));
    EXPECT_EQ(Texts(run.JournalEntries(QStringLiteral("end")), "result"), QStringList({"done", "done"}));
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

TEST_F(DesktopTest, AKilledToolLeavesWholeJournalLines)
{
    run.Press("Button1");
    ASSERT_TRUE(run.WaitForLog("AddPhoto: typing the path"));
    run.Signal(SIGKILL);
    ASSERT_TRUE(run.WaitForExit(5000));
    const std::vector<QJsonObject> entries = run.JournalEntries();
    ASSERT_FALSE(entries.empty());
    for (const QJsonObject &entry : entries)
        EXPECT_FALSE(entry.contains(QLatin1String("broken"))) << Text(entry, "broken").toStdString();
    EXPECT_TRUE(run.JournalEntries(QStringLiteral("end")).empty());
}

// A journal that cannot be written: a read-only folder where the system lets
// the test make one, a full disk where it does not.
class UnwritableJournalTest : public DesktopTest {
protected:
    QString PrepareStateHome() override
    {
        state_ = folder_.path() + QStringLiteral("/state");
        QDir().mkpath(state_);
        mounted_ = QProcess::execute(QStringLiteral("mount"),
                                     {"-t", "tmpfs", "-o", "ro", "tmpfs", state_}) == 0;
        if (!mounted_ && ::geteuid() != 0) {
            QFile::setPermissions(state_, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        } else if (!mounted_) {
            QDir().mkpath(state_ + QStringLiteral("/nvk"));
            QFile::link(QStringLiteral("/dev/full"), state_ + QStringLiteral("/nvk/journal.jsonl"));
        }
        return state_;
    }
    void TearDown() override
    {
        DesktopTest::TearDown();
        if (mounted_)
            QProcess::execute(QStringLiteral("umount"), {state_});
        QFile::setPermissions(state_, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    QTemporaryDir folder_;
    QString state_;
    bool mounted_ = false;
};

TEST_F(UnwritableJournalTest, GoIsUnchangedAndWarnsOnce)
{
    run.Press("Button1");
    ASSERT_TRUE(run.WaitForLog(kGoEnds, 1, 60000));
    ExpectFourFullUploads(run);
    EXPECT_TRUE(run.WindowsSeen().isEmpty()) << run.WindowsSeen().join(" | ").toStdString();
    EXPECT_EQ(run.Log().count(QLatin1String("nvk: warning: the journal")), 1) << run.Log().toStdString();
    EXPECT_TRUE(run.JournalText().isEmpty());
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
