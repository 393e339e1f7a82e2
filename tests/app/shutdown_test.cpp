#include "app/frmmain.h"
#include "browser/embeddedwb.h"
#include "browser/errordisplay.h"
#include "browser/messagepump.h"
#include "tests/support/testutil.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <signal.h>

TEST(ShutdownTest, ClosingTheWindowDuringAWaitCutsItShortAndEndsTheLoop)
{
    testutil::TCapturingPresenter presenter;
    auto form = std::make_unique<TForm1>();
    form->show();

    // A handler of the window that waits, without a time limit, on a page
    // that never completes, then pauses; the user closes the window meanwhile.
    bool waitEnded = false;
    bool handlerUnwound = false;
    QPushButton *button = form->Button1;
    QObject::connect(button, &QPushButton::clicked, form.get(), [&] {
        RunGuarded([&] {
            form->EmbeddedWB1->Navigate(testutil::PageUrl("never.html"));
            form->EmbeddedWB1->WaitForPage(0);
            waitEnded = true;
            Sleep(5000);
        });
        handlerUnwound = true;
    });
    QTimer::singleShot(0, button, &QPushButton::click);
    QTimer::singleShot(1500, form.get(), &QWidget::close);

    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_EQ(QCoreApplication::exec(), 0);
    // The close cuts the wait short: nothing of the handler runs after it.
    EXPECT_FALSE(waitEnded);
    EXPECT_TRUE(handlerUnwound);
    EXPECT_LT(elapsed.elapsed(), 2500);
    EXPECT_TRUE(presenter.Texts.isEmpty()) << presenter.Texts.join('\n').toStdString();
    form.reset();
    TQuitWatcher::Instance().Reset();
}

TEST(ShutdownTest, TheToolExitsCleanlyOnATerminationSignal)
{
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(NVK_PROGRAM, {});
    ASSERT_TRUE(tool.waitForStarted(10000));
    // Long enough for the engine to start and the window to show.
    tool.waitForFinished(3000);
    ASSERT_EQ(tool.state(), QProcess::Running) << tool.readAll().toStdString();
    ::kill(static_cast<pid_t>(tool.processId()), SIGTERM);
    ASSERT_TRUE(tool.waitForFinished(15000));
    const QString output = QString::fromLocal8Bit(tool.readAll());
    EXPECT_EQ(tool.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(tool.exitCode(), 0) << output.toStdString();
    EXPECT_FALSE(output.contains("still not deleted")) << output.toStdString();
    EXPECT_FALSE(output.contains("Release of profile requested")) << output.toStdString();
}

TEST(CommandLineTest, AnswersHelpAndVersionWithoutADisplayAndRefusesTheRest)
{
    // No display at all: the answers must come before any window system.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    environment.insert("QT_QPA_PLATFORM", "xcb");
    struct TCase {
        QStringList arguments;
        int status;
        const char *out;
        const char *err;
    };
    const TCase cases[] = {
        {{"--help"}, 0, "Usage:", ""},
        {{"-h"}, 0, "--version", ""},
        {{"--help-all"}, 0, "Usage:", ""},
        {{"--version"}, 0, "nvk " NVK_VERSION "\n", ""},
        {{"--bogus"}, 2, "", "nvk: Unknown option 'bogus'.\n"},
        {{"--help", "extra"}, 0, "Usage:", ""},
        {{"--", "extra"}, 2, "", "nvk: unexpected argument 'extra'\n"},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        QProcess tool;
        tool.setProcessEnvironment(environment);
        tool.start(NVK_PROGRAM, c.arguments);
        ASSERT_TRUE(tool.waitForFinished(10000));
        EXPECT_EQ(tool.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(tool.exitCode(), c.status);
        const QString out = QString::fromLocal8Bit(tool.readAllStandardOutput());
        const QString err = QString::fromLocal8Bit(tool.readAllStandardError());
        if (*c.out)
            EXPECT_TRUE(out.contains(c.out)) << out.toStdString();
        else
            EXPECT_TRUE(out.isEmpty()) << out.toStdString();
        EXPECT_EQ(err.toStdString(), c.err);
    }
}
