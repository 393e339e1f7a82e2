#include "browser/messagepump.h"

#include "browser/dispatch.h"
#include "browser/errors.h"
#include "browser/logging.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>

#include <chrono>
#include <ctime>

void WakeUpDispatcher()
{
    if (QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance())
        dispatcher->wakeUp();
}

void PumpMessages()
{
    TQuitWatcher::Instance();
    WakeUpDispatcher();
    // What the program posted (keys typed by a script) goes before the input
    // that was held back, and that before the input that comes now: a click
    // held during a pause must not overtake the keys typed before it.
    QCoreApplication::sendPostedEvents();
    TInputHold::Instance().Release();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void RunWithoutInput(QEventLoop &loop)
{
    TInputHold &hold = TInputHold::Instance();
    hold.Begin();
    try {
        loop.exec(QEventLoop::AllEvents);
    } catch (...) {
        hold.End();
        throw;
    }
    hold.End();
}

void AbortIfQuitting()
{
    if (QuitRequested())
        throw EAbort(ole::StatusText(ole::E_ABORT));
}

namespace {

int waitDepth = 0;
int64_t waitedNanoseconds = 0;
int64_t waitCpuNanoseconds = 0;
int64_t roundTrips = 0;
int64_t roundTripNanoseconds = 0;

int64_t NowNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

TWaitAccount::TWaitAccount()
{
    if (waitDepth++ == 0) {
        start_ = NowNanoseconds();
        cpuStart_ = ThreadCpuNanoseconds();
    }
}

TWaitAccount::~TWaitAccount()
{
    if (--waitDepth == 0) {
        waitedNanoseconds += NowNanoseconds() - start_;
        waitCpuNanoseconds += ThreadCpuNanoseconds() - cpuStart_;
    }
}

int64_t TWaitAccount::TotalNanoseconds()
{
    return waitedNanoseconds;
}

int64_t TWaitAccount::TotalCpuNanoseconds()
{
    return waitCpuNanoseconds;
}

void TWaitAccount::AddRoundTrip(int64_t nanoseconds)
{
    if (waitDepth > 0)
        return;
    ++roundTrips;
    roundTripNanoseconds += nanoseconds;
}

int64_t TWaitAccount::RoundTrips()
{
    return roundTrips;
}

int64_t TWaitAccount::RoundTripNanoseconds()
{
    return roundTripNanoseconds;
}

int64_t TWaitAccount::ThreadCpuNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
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
        RunWithoutInput(loop);
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

void TQuitWatcher::RequestQuit()
{
    qCDebug(lcBrowser) << "quit requested";
    MarkQuit();
    // Ends the main loop when it runs; the waits have ended on the mark.
    QCoreApplication::quit();
}

void TQuitWatcher::MarkQuit()
{
    if (quitRequested_)
        return;
    quitRequested_ = true;
    emit quitRequested();
}

namespace {

// The input that the window system delivers to a window; what a wait that
// runs no handler must hold back.
bool IsUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::TabletEnterProximity:
    case QEvent::TabletLeaveProximity:
    case QEvent::Enter:
    case QEvent::Leave:
    case QEvent::ContextMenu:
    case QEvent::NativeGesture:
        return true;
    default:
        return false;
    }
}

// A copy of the event to deliver later. A pointer event's points are shared
// with the device's live state and change with the next event: mouse, wheel
// and enter events are rebuilt from their values as they are now.
std::unique_ptr<QEvent> CopyOf(QEvent *event)
{
    std::unique_ptr<QEvent> copy;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: {
        const auto *mouse = static_cast<const QMouseEvent *>(event);
        copy = std::make_unique<QMouseEvent>(mouse->type(), mouse->position(), mouse->scenePosition(),
                                             mouse->globalPosition(), mouse->button(), mouse->buttons(),
                                             mouse->modifiers(), mouse->pointingDevice());
        static_cast<QMouseEvent *>(copy.get())->setTimestamp(mouse->timestamp());
        break;
    }
    case QEvent::Wheel: {
        const auto *wheel = static_cast<const QWheelEvent *>(event);
        copy = std::make_unique<QWheelEvent>(wheel->position(), wheel->globalPosition(), wheel->pixelDelta(),
                                             wheel->angleDelta(), wheel->buttons(), wheel->modifiers(),
                                             wheel->phase(), wheel->inverted(), wheel->source(),
                                             wheel->pointingDevice());
        static_cast<QWheelEvent *>(copy.get())->setTimestamp(wheel->timestamp());
        break;
    }
    case QEvent::Enter: {
        const auto *enter = static_cast<const QEnterEvent *>(event);
        copy = std::make_unique<QEnterEvent>(enter->position(), enter->scenePosition(),
                                             enter->globalPosition(), enter->pointingDevice());
        break;
    }
    default:
        copy.reset(event->clone());
        break;
    }
    return copy;
}

QWidget *WidgetOf(QWindow *window)
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->windowHandle() == window)
            return widget;
    }
    return nullptr;
}

} // namespace

TInputHold &TInputHold::Instance()
{
    // Parented to the application object, like the quit watcher.
    static QPointer<TInputHold> hold;
    if (!hold)
        hold = new TInputHold;
    return *hold;
}

TInputHold::TInputHold()
{
    if (QCoreApplication *app = QCoreApplication::instance()) {
        app->installEventFilter(this);
        setParent(app);
    }
}

void TInputHold::Begin()
{
    ++depth_;
}

void TInputHold::End()
{
    // Input held by the last wait is handed over at the next pass of
    // whatever loop runs next, unless a pump takes it first.
    if (--depth_ == 0 && !held_.empty())
        ScheduleRelease();
}

void TInputHold::ScheduleRelease()
{
    if (releaseScheduled_)
        return;
    releaseScheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        releaseScheduled_ = false;
        Release();
    });
}

void TInputHold::Release()
{
    // A handler run by one event may pump again: each event leaves the
    // queue before it is delivered, so each is delivered once, in order.
    while (depth_ == 0 && !held_.empty()) {
        auto [window, event] = std::move(held_.front());
        held_.pop_front();
        if (window && !QuitRequested()) {
            if (event->type() != QEvent::MouseMove)
                qCDebug(lcBrowser) << "input released" << event->type();
            Deliver(window, event.get());
        }
    }
}

void TInputHold::Deliver(QWindow *window, QEvent *event)
{
    // Mouse buttons go straight to the widget under the pointer (a release
    // to the widget that had the press): a window's own dispatch of a press
    // that comes late does not reach the widget. Everything else goes to the
    // window as the window system sends it.
    const QEvent::Type type = event->type();
    QWidget *top = WidgetOf(window);
    if (!top || (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
                 type != QEvent::MouseButtonDblClick)) {
        QCoreApplication::sendEvent(window, event);
        return;
    }
    const auto *mouse = static_cast<const QMouseEvent *>(event);
    QWidget *target = type == QEvent::MouseButtonRelease ? pressTarget_.data() : nullptr;
    if (!target)
        target = top->childAt(mouse->position().toPoint());
    if (!target)
        target = top;
    if (type == QEvent::MouseButtonPress)
        pressTarget_ = target;
    else if (type == QEvent::MouseButtonRelease && !mouse->buttons())
        pressTarget_ = nullptr;
    QMouseEvent local(type, target->mapFrom(top, mouse->position()), mouse->scenePosition(),
                      mouse->globalPosition(), mouse->button(), mouse->buttons(), mouse->modifiers(),
                      mouse->pointingDevice());
    local.setTimestamp(mouse->timestamp());
    QCoreApplication::sendEvent(target, &local);
}

bool TInputHold::eventFilter(QObject *watched, QEvent *event)
{
    // The window system's events are spontaneous; those delivered here on
    // release are not, and go through.
    if (!event->spontaneous() || !watched->isWindowType() || !IsUserInput(event->type()) ||
        QGuiApplication::modalWindow())
        return false;
    if (depth_ == 0) {
        // Input that comes while earlier input is still held waits behind
        // it: a button's release must not reach it before its press.
        if (held_.empty())
            return false;
        ScheduleRelease();
    }
    if (event->type() != QEvent::MouseMove)
        qCDebug(lcBrowser) << "input held" << event->type();
    held_.emplace_back(static_cast<QWindow *>(watched), CopyOf(event));
    return true;
}
