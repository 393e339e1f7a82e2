// Prints the median time of one late-bound call round trip on a loaded page
// (Document.forms.Length, 2000 calls) and the tool's start-up time to a
// shown window. Runs headless unless QT_QPA_PLATFORM says otherwise.
#include "app/frmmain.h"
#include "app/tapplication.h"
#include "browser/embeddedwb.h"
#include "browser/latebound.h"

#include <QElapsedTimer>
#include <QTest>
#include <QUrl>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

const char *const kPage =
    "<!doctype html><html><body><form><input name=a><input name=b></form>"
    "<form><input name=c></form></body></html>";

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
        std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));
        std::printf("start-up to a shown window: %.0f ms\n", startupMs);
        std::printf("late-bound call round trip (forms.Length), median of %d: %.3f ms "
                    "(p90 %.3f ms)\n",
                    kCalls, times[times.size() / 2], times[times.size() * 9 / 10]);
    }
    return 0;
}
