// The main of every test program that runs the real engine: it starts the
// test server, routes the browser through it, makes the application object
// once (the engine allows one per process) and fails a test on any Qt
// warning or page console error it did not expect.
#include "app/tapplication.h"
#include "tests/support/testserver.h"
#include "tests/support/testutil.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#ifdef NVK_TEST_WITH_PRACTICE_SITE
#include "practice/practicesite.h"
#endif

namespace testutil {
QStringList &ExpectedWarnings();

namespace {
TTestServer *testServer = nullptr;
}

QStringList TestServerRequests()
{
    QStringList targets;
    for (const std::string &target : testServer->Requests())
        targets << QString::fromStdString(target);
    return targets;
}

#ifdef NVK_TEST_WITH_PRACTICE_SITE
namespace {
practice::PracticeSite *practiceSite = nullptr;
}
practice::PracticeSite &PracticeSite()
{
    return *practiceSite;
}
#endif
} // namespace testutil

namespace {

QStringList &Unexpected()
{
    static QStringList messages;
    return messages;
}

// What the engine prints on every start in a headless run, without meaning.
bool IsEngineNoise(const QString &message)
{
    static const QStringList noise = {
        QStringLiteral("WebEngineContext used before QtWebEngineCore::initialize"),
        QStringLiteral("No suitable graphics backend found"),
        QStringLiteral("Sandboxing disabled by user"),
        QStringLiteral("GL Type:"),
        QStringLiteral("This plugin does not support propagateSizeHints()"),
    };
    for (const QString &n : noise) {
        if (message.contains(n))
            return true;
    }
    return false;
}

void HandleMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
    const bool isWarning = type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg;
    const bool isEngineCategory = context.category && QString::fromLatin1(context.category)
                                                          .startsWith(QLatin1String("qt.webengine"));
    if (isWarning && !isEngineCategory && !IsEngineNoise(message)) {
        bool expected = false;
        for (const QString &pattern : testutil::ExpectedWarnings())
            expected = expected || QRegularExpression(pattern).match(message).hasMatch();
        if (!expected)
            Unexpected().append(message);
    }
    if (type == QtFatalMsg)
        abort();
}

class TWarningListener : public testing::EmptyTestEventListener {
    void OnTestEnd(const testing::TestInfo &) override
    {
        for (const QString &message : std::exchange(Unexpected(), {}))
            ADD_FAILURE() << "unexpected warning: " << message.toStdString();
        testutil::ExpectedWarnings().clear();
    }
};

} // namespace

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);

    TTestServer server;
    server.Start();
    testutil::testServer = &server;
    int upstreamPort = server.Port();
#ifdef NVK_TEST_WITH_PRACTICE_SITE
    // The browser reaches the practice site's host through the practice site
    // itself, as the tool's launcher routes it.
    practice::PracticeSite site;
    upstreamPort = site.start(0);
    testutil::practiceSite = &site;
#endif

    QTemporaryDir runtimeDir;
    qputenv("XDG_RUNTIME_DIR", runtimeDir.path().toLocal8Bit());
    // Typed photo paths resolve under the data folder: the tests' own.
    QTemporaryDir dataDir;
    qputenv("XDG_DATA_HOME", dataDir.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    flags += " --proxy-server=http://127.0.0.1:" + QByteArray::number(upstreamPort);
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.trimmed());

    qInstallMessageHandler(HandleMessage);
    TApplication::PrepareEnvironment();
    int exitCode = 0;
    {
        TApplication app(argc, argv);
        testing::UnitTest::GetInstance()->listeners().Append(new TWarningListener);
        exitCode = RUN_ALL_TESTS();
    }
#ifdef NVK_TEST_WITH_PRACTICE_SITE
    site.stop();
#endif
    server.Stop();
    return exitCode;
}
