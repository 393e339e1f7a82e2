// Runs the form filling (AddVO), GO and Delete ALL against the practice
// site, in-process, and prints for each the wall time, the time spent
// beyond the pauses and page waits (the tool's own time), how much of the
// own time went in waiting for the answers of calls into the page (the
// page's and the engine's work, from the request's send to its answer), and
// the CPU time the tool's main thread used in each. Runs headless unless
// QT_QPA_PLATFORM says otherwise; photos are placed in a temporary data
// folder.
#include "app/frmmain.h"
#include "app/tapplication.h"
#include "browser/messagepump.h"
#include "keys/keyplatform.h"
#include "keys/qtkeyplatform.h"
#include "practice/practicesite.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <functional>

namespace {

void Report(const char *name, const std::function<void()> &run)
{
    const int64_t waitedBefore = TWaitAccount::TotalNanoseconds();
    const int64_t waitCpuBefore = TWaitAccount::TotalCpuNanoseconds();
    const int64_t cpuBefore = TWaitAccount::ThreadCpuNanoseconds();
    const int64_t tripsBefore = TWaitAccount::RoundTrips();
    const int64_t tripBefore = TWaitAccount::RoundTripNanoseconds();
    QElapsedTimer wall;
    wall.start();
    run();
    const double wallMs = static_cast<double>(wall.nsecsElapsed()) / 1e6;
    const double waitedMs =
        static_cast<double>(TWaitAccount::TotalNanoseconds() - waitedBefore) / 1e6;
    const double ownMs = wallMs - waitedMs;
    const double cpuMs = static_cast<double>(TWaitAccount::ThreadCpuNanoseconds() - cpuBefore) / 1e6;
    const double waitCpuMs =
        static_cast<double>(TWaitAccount::TotalCpuNanoseconds() - waitCpuBefore) / 1e6;
    std::printf("%-11s wall %8.0f ms, pauses and page waits %8.0f ms, own time %6.1f ms (%.2f%% of "
                "the waits)\n",
                name, wallMs, waitedMs, ownMs, 100 * ownMs / waitedMs);
    const double tripMs =
        static_cast<double>(TWaitAccount::RoundTripNanoseconds() - tripBefore) / 1e6;
    std::printf("%-11s   in the own time %lld calls into the page, waiting %6.1f ms for their "
                "answers; the rest %6.1f ms (%.2f%% of the waits)\n",
                "", static_cast<long long>(TWaitAccount::RoundTrips() - tripsBefore), tripMs,
                ownMs - tripMs, 100 * (ownMs - tripMs) / waitedMs);
    std::printf("%-11s   main thread CPU in the own time %6.1f ms, in the waits %6.1f ms\n", "",
                cpuMs - waitCpuMs, waitCpuMs);
}

} // namespace

int main(int argc, char **argv)
{
    practice::PracticeSite site;
    const int port = site.start(0);
    QTemporaryDir dataHome;
    qputenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit());
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
            "--proxy-server=http://127.0.0.1:" + QByteArray::number(port));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    const QString images = dataHome.path() + "/nvk/drive_c/Projects/qmtx/Images";
    QDir().mkpath(images);
    for (const char *name : {"V1269038-01.jpg", "V1269038-02.jpg", "V1269038-03.jpg"})
        QFile::copy(QString(NVK_PRACTICE_PHOTOS_DIR) + "/" + name, images + "/" + name);

    TApplication::PrepareEnvironment();
    TApplication app(argc, argv);
    {
        TQtKeyPlatform keyboard;
        SetCurrentKeyPlatform(&keyboard);
        TForm1 form;
        form.show();
        form.activateWindow();
        if (!QTest::qWaitForWindowActive(&form))
            return 1;
        std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));
        // The ad form filled with the fixed ad, both passes, after its page
        // wait: the own time is the filling.
        Report("AddVO", [&] { form.AddVO(); });
        Report("GO", [&] { QTest::mouseClick(form.Button1, Qt::LeftButton); });
        Report("Delete ALL", [&] { QTest::mouseClick(form.BtnGoDeleteAll, Qt::LeftButton); });
        SetCurrentKeyPlatform(nullptr);
    }
    site.stop();
    return 0;
}
