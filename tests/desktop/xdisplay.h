#pragma once

#include <QPoint>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// A virtual X display of the test's own (Xvfb on a free display number), and
// what a user and a window manager do on it: find a shown window by its
// title, click a point with the X test extension, ask a window to close as a
// window manager does (WM_DELETE_WINDOW), and take a picture of the screen.
class TXDisplay {
public:
    TXDisplay();
    ~TXDisplay();
    TXDisplay(const TXDisplay &) = delete;
    TXDisplay &operator=(const TXDisplay &) = delete;

    bool IsUp() const { return display_ != nullptr; }
    // ":N", for the DISPLAY of the programs run on it.
    const QString &Name() const { return name_; }

    using WindowId = unsigned long;

    // The shown top-level window with that title.
    std::optional<WindowId> FindWindow(const QString &title) const;
    struct TShownWindow {
        WindowId Id;
        QString Title;
        // The title, then the size and class.
        QString Description;
    };
    // Every shown top-level window.
    std::vector<TShownWindow> ShownWindows() const;
    // Where the window's top-left corner is on the screen.
    QPoint Origin(WindowId window) const;

    // A press and release of the left button at that point of the screen.
    void Click(QPoint point) const;
    // The close request a window manager sends for its close button.
    void RequestClose(WindowId window) const;

    bool SaveScreenshot(const QString &path) const;

private:
    QString TitleOf(WindowId window) const;
    QString ClassOf(WindowId window) const;

    QProcess server_;
    QString name_;
    struct _XDisplay *display_ = nullptr;
};

// The process is killed when the test program ends, however it ends, so that
// no server, site or tool outlives a test that crashed.
void KillWithTheTest(QProcess &process);
