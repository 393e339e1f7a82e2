#include "browser/messagepump.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <chrono>

void WakeUpDispatcher()
{
    if (QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance())
        dispatcher->wakeUp();
}

void PumpMessages()
{
    TQuitWatcher::Instance();
    WakeUpDispatcher();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

namespace {

int waitDepth = 0;
int64_t waitedNanoseconds = 0;

int64_t NowNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

TWaitAccount::TWaitAccount() : start_(waitDepth++ == 0 ? NowNanoseconds() : 0) {}

TWaitAccount::~TWaitAccount()
{
    if (--waitDepth == 0)
        waitedNanoseconds += NowNanoseconds() - start_;
}

int64_t TWaitAccount::TotalNanoseconds()
{
    return waitedNanoseconds;
}

void Sleep(uint32_t milliseconds)
{
    TWaitAccount account;
    TQuitWatcher::Instance();
    WakeUpDispatcher();
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    // Once the application quits, pauses end at once so that the workflow
    // that runs them unwinds and the process can exit.
    QObject::connect(&TQuitWatcher::Instance(), &TQuitWatcher::quitRequested, &loop,
                     &QEventLoop::quit);
    if (!QuitRequested()) {
        timer.start(static_cast<int>(std::min<uint32_t>(milliseconds, INT32_MAX)));
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    WakeUpDispatcher();
}

TQuitWatcher &TQuitWatcher::Instance()
{
    // Parented to the application object, so it goes with it; a later
    // application object gets a watcher of its own.
    static QPointer<TQuitWatcher> watcher;
    if (!watcher)
        watcher = new TQuitWatcher;
    return *watcher;
}

TQuitWatcher::TQuitWatcher()
{
    if (QCoreApplication *app = QCoreApplication::instance()) {
        app->installEventFilter(this);
        connect(app, &QCoreApplication::aboutToQuit, this, &TQuitWatcher::MarkQuit);
        setParent(app);
    }
}

bool TQuitWatcher::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Quit && watched == QCoreApplication::instance())
        MarkQuit();
    return false;
}

void TQuitWatcher::MarkQuit()
{
    if (quitRequested_)
        return;
    quitRequested_ = true;
    emit quitRequested();
}
