#pragma once

#include <QEvent>
#include <QObject>
#include <QPointer>

#include <cstdint>
#include <deque>
#include <memory>
#include <utility>

class QEventLoop;
class QWidget;
class QWindow;

// The ways the tool lets time pass on the user-interface thread.
//
// PumpMessages dispatches everything that is waiting, user input included,
// so a button pressed during a wait runs its handler there. Sleep, and the
// wait for an answer from the page, let the engine, its network, timers and
// repainting go on but hold back the user's clicks and keys until the next
// pump; a request to close the window is taken at once. All of them wake the
// event dispatcher first; without that, a nested loop entered from a posted
// event can leave the engine's own scheduled work stranded behind the current
// event and wait forever.

void PumpMessages();
void Sleep(uint32_t milliseconds);

// Runs the loop until it quits, holding back user input as Sleep does.
void RunWithoutInput(QEventLoop &loop);

// Raises EAbort once the application has been asked to quit: nothing is done
// to the page or the keyboard after the window has been closed.
void AbortIfQuitting();

// Counts the time spent in the tool's pauses and page waits, nested ones
// once, and the CPU time the thread used meanwhile, so that a benchmark can
// tell the tool's own time from its waiting.
class TWaitAccount {
public:
    TWaitAccount();
    ~TWaitAccount();
    TWaitAccount(const TWaitAccount &) = delete;
    TWaitAccount &operator=(const TWaitAccount &) = delete;

    static int64_t TotalNanoseconds();
    static int64_t TotalCpuNanoseconds();
    // CPU time of the calling thread.
    static int64_t ThreadCpuNanoseconds();

    // A call into the page made outside every pause and page wait: the
    // time its answer took is kept apart, so that a benchmark can tell the
    // tool's own work from the page's answering.
    static void AddRoundTrip(int64_t nanoseconds);
    static int64_t RoundTrips();
    static int64_t RoundTripNanoseconds();

private:
    int64_t start_ = 0;
    int64_t cpuStart_ = 0;
};

// Wakes the event dispatcher of the current thread, if there is one.
void WakeUpDispatcher();

// Watches the application object for a quit request (its last window closed,
// or quit() called) and keeps it as a flag that every wait can read. Nested
// waits also listen to quitRequested() so that they end at once.
class TQuitWatcher : public QObject {
    Q_OBJECT

public:
    static TQuitWatcher &Instance();

    bool QuitRequested() const { return quitRequested_; }
    // Asks the application to quit, from the window's close or a signal:
    // every wait ends, and the main loop returns once the handlers that are
    // running have unwound.
    void RequestQuit();
    // Tests run the main loop more than once; each run starts unquit.
    void Reset() { quitRequested_ = false; }

signals:
    void quitRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TQuitWatcher();
    void MarkQuit();

    bool quitRequested_ = false;
};

// Holds the user's input to the application's windows while a wait that
// must not run handlers is going on, and hands it over in order at the next
// pump (or, once no such wait runs, at the next pass of the event loop).
// Input to a modal box goes through: only the window behind it waits.
class TInputHold : public QObject {
    Q_OBJECT

public:
    static TInputHold &Instance();

    void Begin();
    void End();
    // Delivers the held input, unless a wait that holds it is running.
    void Release();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TInputHold();
    void ScheduleRelease();
    void Deliver(QWindow *window, QEvent *event);

    int depth_ = 0;
    bool releaseScheduled_ = false;
    QPointer<QWidget> pressTarget_;
    std::deque<std::pair<QPointer<QWindow>, std::unique_ptr<QEvent>>> held_;
};

inline bool QuitRequested()
{
    return TQuitWatcher::Instance().QuitRequested();
}
