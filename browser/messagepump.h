#pragma once

#include <QObject>

#include <cstdint>

// The three ways the tool lets time pass on the user-interface thread.
//
// PumpMessages dispatches everything that is waiting, user input included,
// so a button pressed during a wait runs its handler there. Sleep lets the
// engine and its network go on but runs no handler of the window: clicks,
// keys and close requests wait for the next pump. Both wake the event
// dispatcher first; without that, a nested loop entered from a posted event
// can leave the engine's own scheduled work stranded behind the current
// event and wait forever.

void PumpMessages();
void Sleep(uint32_t milliseconds);

// Counts the time spent in the tool's pauses and page waits, nested ones
// once, so that a benchmark can tell the tool's own time from its waiting.
class TWaitAccount {
public:
    TWaitAccount();
    ~TWaitAccount();
    TWaitAccount(const TWaitAccount &) = delete;
    TWaitAccount &operator=(const TWaitAccount &) = delete;

    static int64_t TotalNanoseconds();

private:
    int64_t start_;
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

inline bool QuitRequested()
{
    return TQuitWatcher::Instance().QuitRequested();
}
