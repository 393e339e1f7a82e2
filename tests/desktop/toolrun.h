#pragma once

#include "tests/desktop/xdisplay.h"

#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>
#include <vector>

// The built tool run as a user runs it with the practice launcher, on a
// display of the test's own: a practice site of its own, the photos where
// the typed paths find them, and the tool's diagnostics on so that the test
// can tell which step a workflow has reached. While the test waits, every
// window other than the tool's own that shows up (an error box) is noted.
class TToolRun {
public:
    explicit TToolRun(TXDisplay &display);
    ~TToolRun();

    // Starts the site and the tool, and waits until the window is shown.
    // The tool's state folder (its journal) is a folder of the run's own
    // unless one is given.
    bool Start(const QString &stateHome = {});

    // A click in the middle of a button of the window's strip.
    void Press(const char *button);
    // The close request of a window manager.
    void RequestClose();
    // SIGTERM, SIGINT.
    void Signal(int signal);

    // Waits until the tool has written the occurrence-th line containing the
    // text, the tool has exited or the time has run out.
    bool WaitForLog(const QString &text, int occurrence = 1, int timeoutMs = 60000);
    bool WaitForExit(int timeoutMs);

    QProcess &Tool() { return tool_; }
    const QString &Log() const { return log_; }
    // The lines of the log from the first one containing the text.
    QStringList LogFrom(const QString &text) const;
    const QStringList &WindowsSeen() const { return windowsSeen_; }

    // The site's records of that event (all of them without one), in order.
    std::vector<QJsonObject> Records(const QString &event) const;

    // The entries of the tool's journal, in order; a line that is not a
    // whole JSON object (a half line) becomes an entry with "broken" set.
    std::vector<QJsonObject> JournalEntries(const QString &event = {}) const;
    QString JournalText() const;

    // Engine processes of the tool still running once it has gone.
    QStringList LeftoverEngineProcesses() const;

    QString PhotoPath(int number) const;

    // Keeps a picture of the screen under the test's name; returns its path.
    QString KeepScreenshot(const QString &name) const;

private:
    void Watch();
    std::optional<TXDisplay::WindowId> Window();

    TXDisplay &display_;
    QTemporaryDir dataHome_;
    QString records_;
    QString journal_;
    QProcess site_;
    QProcess tool_;
    QString log_;
    QStringList windowsSeen_;
    QSet<TXDisplay::WindowId> toolWindows_;
};
