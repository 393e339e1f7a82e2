// Prints the median time of one late-bound call round trip on a loaded page
// (Document.forms.Length, 2000 calls), where it goes (the engine's own
// script round trip with one script source, with a new source each time,
// and the bridge's request without the host's wait), and the tool's
// start-up time to a shown window. Runs headless unless QT_QPA_PLATFORM says otherwise.
#include "app/frmmain.h"
#include "app/tapplication.h"
#include "browser/embeddedwb.h"
#include "browser/latebound.h"
#include "browser/pagebridge.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

const char *const kPage =
    "<!doctype html><html><body><form><input name=a><input name=b></form>"
    "<form><input name=c></form></body></html>";

// The median of 2000 runs of a script in the bridge's world, each waited for
// in a local event loop: the engine's own round trip.
double EngineRoundTripMs(QWebEnginePage *page, const std::function<QString(int)> &script)
{
    std::vector<double> times;
    for (int i = 0; i < 2100; ++i) {
        QEventLoop loop;
        bool answered = false;
        QElapsedTimer timer;
        timer.start();
        page->runJavaScript(script(i), TPageBridge::kWorldId, [&](const QVariant &) {
            answered = true;
            loop.quit();
        });
        if (!answered)
            loop.exec();
        if (i >= 100)
            times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

Variant Get(const Variant &target, const char *name)
{
    Variant result;
    LateBoundCall(&result, target, TCallDesc{TInvokeKind::Method, {}, name});
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    const auto processStart = std::chrono::steady_clock::now();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication::PrepareEnvironment();
    TApplication app(argc, argv);
    {
        TForm1 form;
        form.show();
        if (!QTest::qWaitForWindowExposed(&form)) {
            std::fprintf(stderr, "the window was not shown\n");
            return 1;
        }
        const double startupMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - processStart)
                .count();

        TEmbeddedWB &browser = *form.EmbeddedWB1;
        browser.Navigate(QStringLiteral("data:text/html;charset=utf-8,") +
                         QString::fromLatin1(QUrl::toPercentEncoding(kPage)));
        if (!browser.WaitForPage(20000)) {
            std::fprintf(stderr, "the page did not load\n");
            return 1;
        }
        const Variant forms = Get(Get(browser.GetAutomationObject(), "Document"), "forms");
        constexpr int kCalls = 2000;
        std::vector<double> times;
        times.reserve(kCalls);
        for (int i = 0; i < 100; ++i)
            Get(forms, "Length");
        for (int i = 0; i < kCalls; ++i) {
            QElapsedTimer timer;
            timer.start();
            const Variant length = Get(forms, "Length");
            times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
            if (length.ToInteger() != 2)
                return 1;
        }
        std::sort(times.begin(), times.end());

        // Where a round trip goes.
        QWebEnginePage *page = browser.View()->page();
        const double constant = EngineRoundTripMs(page, [](int) { return QStringLiteral("1"); });
        const double fresh =
            EngineRoundTripMs(page, [](int i) { return QStringLiteral("%1").arg(i); });
        const double request = EngineRoundTripMs(page, [](int) {
            return QStringLiteral("nvkBridge.request({\"op\":\"count\"})");
        });

        std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));
        std::printf("start-up to a shown window: %.0f ms\n", startupMs);
        std::printf("late-bound call round trip (forms.Length), median of %d: %.3f ms "
                    "(p90 %.3f ms)\n",
                    kCalls, times[times.size() / 2], times[times.size() * 9 / 10]);
        std::printf("  engine round trip, one script source: %.3f ms\n", constant);
        std::printf("  engine round trip, a new source each time (compiled): %.3f ms\n", fresh);
        std::printf("  bridge request, without the host's wait and encoding: %.3f ms\n", request);
    }
    return 0;
}
