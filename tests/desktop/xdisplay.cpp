#include "tests/desktop/xdisplay.h"

#include <QImage>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

// Reads the display number Xvfb writes once it accepts clients.
QString ReadDisplayNumber(int fd)
{
    QByteArray number;
    pollfd wait{fd, POLLIN, 0};
    while (!number.endsWith('\n') && ::poll(&wait, 1, 10000) > 0) {
        char c = 0;
        if (::read(fd, &c, 1) != 1)
            break;
        number.append(c);
    }
    return QString::fromLatin1(number.trimmed());
}

// A window can go between the moment it is found and the moment it is used
// (a closed box, a window the toolkit recreates): the request then fails with
// an X error, which must not end the test program as Xlib's default handler
// would.
int IgnoreXError(Display *, XErrorEvent *)
{
    return 0;
}

} // namespace

TXDisplay::TXDisplay()
{
    XSetErrorHandler(IgnoreXError);

    int pipe[2];
    if (::pipe(pipe) != 0)
        return;
    // Xvfb inherits the pipe's writing end and names its display there.
    server_.setProgram(QStringLiteral("Xvfb"));
    server_.setArguments({QStringLiteral("-displayfd"), QString::number(pipe[1]),
                          QStringLiteral("-screen"), QStringLiteral("0"),
                          QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                          QStringLiteral("tcp")});
    server_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    KillWithTheTest(server_);
    server_.start();
    ::close(pipe[1]);
    const QString number = server_.waitForStarted() ? ReadDisplayNumber(pipe[0]) : QString();
    ::close(pipe[0]);
    if (number.isEmpty())
        return;
    name_ = QLatin1Char(':') + number;
    display_ = XOpenDisplay(name_.toLatin1().constData());
}

TXDisplay::~TXDisplay()
{
    if (display_)
        XCloseDisplay(display_);
    if (server_.state() != QProcess::NotRunning) {
        server_.terminate();
        if (!server_.waitForFinished(5000))
            server_.kill();
        server_.waitForFinished(5000);
    }
}

QString TXDisplay::TitleOf(WindowId window) const
{
    // Qt names its windows in UTF-8 under _NET_WM_NAME, and in Latin-1 under
    // WM_NAME.
    const Atom netName = XInternAtom(display_, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display_, "UTF8_STRING", False);
    Atom type = 0;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char *data = nullptr;
    QString title;
    if (XGetWindowProperty(display_, window, netName, 0, 1024, False, utf8, &type, &format, &items,
                           &after, &data) == Success &&
        data) {
        title = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<int>(items));
        XFree(data);
    }
    if (title.isEmpty()) {
        char *name = nullptr;
        if (XFetchName(display_, window, &name) && name) {
            title = QString::fromLatin1(name);
            XFree(name);
        }
    }
    return title;
}

QString TXDisplay::ClassOf(WindowId window) const
{
    XClassHint hint{};
    if (!XGetClassHint(display_, window, &hint))
        return {};
    const QString name = QString::fromLatin1(hint.res_class ? hint.res_class : "");
    XFree(hint.res_name);
    XFree(hint.res_class);
    return name;
}

std::optional<TXDisplay::WindowId> TXDisplay::FindWindow(const QString &title) const
{
    if (!display_)
        return std::nullopt;
    Window root = 0;
    Window parent = 0;
    Window *children = nullptr;
    unsigned int count = 0;
    std::optional<WindowId> found;
    XSync(display_, False);
    if (!XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count))
        return found;
    for (unsigned int i = 0; i < count && !found; ++i) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display_, children[i], &attributes) &&
            attributes.map_state == IsViewable && TitleOf(children[i]) == title)
            found = children[i];
    }
    if (children)
        XFree(children);
    return found;
}

std::vector<TXDisplay::TShownWindow> TXDisplay::ShownWindows() const
{
    std::vector<TShownWindow> shown;
    if (!display_)
        return shown;
    Window root = 0;
    Window parent = 0;
    Window *children = nullptr;
    unsigned int count = 0;
    XSync(display_, False);
    if (!XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count))
        return shown;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display_, children[i], &attributes) &&
            attributes.map_state == IsViewable) {
            const QString title = TitleOf(children[i]);
            shown.push_back({children[i], title,
                             QStringLiteral("%1 [%2x%3 %4]")
                                 .arg(title)
                                 .arg(attributes.width)
                                 .arg(attributes.height)
                                 .arg(ClassOf(children[i]))});
        }
    }
    if (children)
        XFree(children);
    return shown;
}

QPoint TXDisplay::Origin(WindowId window) const
{
    int x = 0;
    int y = 0;
    Window child = 0;
    XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &x, &y, &child);
    return {x, y};
}

void KillWithTheTest(QProcess &process)
{
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

void TXDisplay::Click(QPoint point) const
{
    XTestFakeMotionEvent(display_, -1, point.x(), point.y(), CurrentTime);
    XTestFakeButtonEvent(display_, 1, True, CurrentTime);
    XTestFakeButtonEvent(display_, 1, False, CurrentTime);
    XSync(display_, False);
}

void TXDisplay::RequestClose(WindowId window) const
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, window, False, NoEventMask, &event);
    XSync(display_, False);
}

bool TXDisplay::SaveScreenshot(const QString &path) const
{
    if (!display_)
        return false;
    const Window root = DefaultRootWindow(display_);
    XWindowAttributes attributes;
    XGetWindowAttributes(display_, root, &attributes);
    XImage *image = XGetImage(display_, root, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (!image)
        return false;
    const QImage picture = QImage(reinterpret_cast<const uchar *>(image->data), image->width,
                                  image->height, image->bytes_per_line, QImage::Format_RGB32)
                               .copy();
    XDestroyImage(image);
    return picture.save(path);
}
