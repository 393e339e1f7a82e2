// Prints the median time FindFormElement takes to find the last element of a
// page with 500 form elements, and the median time of one SetFormField on a
// text input. With --many, also the time of one lookup of the last element
// and of one field listing on a form of 100001 elements. Runs headless unless
// QT_QPA_PLATFORM says otherwise.
#include "app/tapplication.h"
#include "browser/embeddedwb.h"
#include "browser/messagepump.h"
#include "formauto/fieldlister.h"
#include "formauto/fieldsetter.h"
#include "formauto/formlookup.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTest>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

QString PageWith500Elements()
{
    QString html = QStringLiteral("<!doctype html><html><body><form>");
    for (int i = 0; i < 499; ++i)
        html += QStringLiteral("<input type=text name=f%1>").arg(i);
    html += QStringLiteral("<input type=text name=last></form></body></html>");
    return html;
}

// 100000 text fields, then a file field named "image", made by the page's
// own script.
QString PageWith100001Elements()
{
    return QStringLiteral(
        "<!doctype html><html><body><form id=big></form><script>"
        "const form = document.getElementById('big');"
        "const all = document.createDocumentFragment();"
        "for (let i = 0; i < 100000; ++i) {"
        "  const input = document.createElement('input'); input.name = 'f' + i; all.appendChild(input);"
        "}"
        "const last = document.createElement('input'); last.type = 'file'; last.name = 'image';"
        "all.appendChild(last); form.appendChild(all);"
        "</script></body></html>");
}

bool Load(TEmbeddedWB &browser, const QString &html)
{
    browser.Navigate(QStringLiteral("data:text/html;charset=utf-8,") +
                     QString::fromLatin1(QUrl::toPercentEncoding(html)));
    return browser.WaitForPage(60000);
}

double MedianMs(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication::PrepareEnvironment();
    TApplication app(argc, argv);
    {
        TEmbeddedWB browser;
        browser.resize(800, 600);
        browser.show();
        if (!Load(browser, PageWith500Elements())) {
            std::fprintf(stderr, "the page did not load\n");
            return 1;
        }
        int32_t form = 0;
        int32_t element = 0;
        const double find = MedianMs(11, [&] {
            if (!FindFormElement(browser, "text", "last", 1, form, element) || element != 499)
                std::abort();
        });
        const IHTMLFormElement firstForm =
            GetFormByIndex(IHTMLDocument2(browser.ReadProperty(DISPID_DOCUMENT)), 0);
        const double set = MedianMs(201, [&] { SetFormField(browser, firstForm, "last", "59830", 0); });
        std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));
        std::printf("FindFormElement, last of 500 elements, median of 11: %.1f ms\n", find);
        std::printf("SetFormField on a text input, median of 201: %.3f ms\n", set);
        std::printf("  of which the pump at its end, median of 201: %.3f ms\n",
                    MedianMs(201, [] { PumpMessages(); }));
        std::fflush(stdout);

        if (QCoreApplication::arguments().contains(QStringLiteral("--many"))) {
            if (!Load(browser, PageWith100001Elements())) {
                std::fprintf(stderr, "the large page did not load\n");
                return 1;
            }
            QElapsedTimer timer;
            timer.start();
            if (!FindFormElement(browser, "file", "image", 1, form, element) || element != 100000)
                std::abort();
            std::printf("FindFormElement, last of 100001 elements: %.1f s\n",
                        static_cast<double>(timer.elapsed()) / 1000);
            std::fflush(stdout);
            QPlainTextEdit memo;
            timer.restart();
            ListFormFields(browser, &memo);
            std::printf("ListFormFields, 100001 elements (%d lines): %.1f s\n",
                        memo.document()->blockCount(), static_cast<double>(timer.elapsed()) / 1000);
        }
    }
    return 0;
}
