#include "app/tapplication.h"

#include "browser/errordisplay.h"

#include <QIcon>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int terminationPipe[2] = {-1, -1};

void WriteSignal(int)
{
    const char byte = 1;
    // Nothing else is safe in a signal handler; the event loop reads it.
    [[maybe_unused]] const ssize_t written = ::write(terminationPipe[0], &byte, 1);
}

} // namespace

void TApplication::PrepareEnvironment()
{
    // The engine's sandbox refuses to run as root.
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    // The desktop entry nvk.desktop and the icon installed with it.
    setDesktopFileName(QStringLiteral("nvk"));
    setWindowIcon(QIcon::fromTheme(QStringLiteral("nvk"), QIcon(QStringLiteral(":/nvk/nvk.png"))));
}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        HandleException(std::current_exception());
        return false;
    }
}

void TApplication::QuitOnTerminationSignals()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, terminationPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(terminationPipe[1], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &TApplication::OnTerminationSignal);
    struct sigaction action = {};
    action.sa_handler = WriteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

void TApplication::OnTerminationSignal()
{
    char byte = 0;
    [[maybe_unused]] const ssize_t read = ::read(terminationPipe[1], &byte, 1);
    closeAllWindows();
    quit();
}
