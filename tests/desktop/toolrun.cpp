#include "tests/desktop/toolrun.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRect>
#include <QThread>

#include <csignal>
#include <sys/wait.h>

namespace {

const QString kWindowTitle = QStringLiteral("NVK - Enregistrement d'annonces");

// The buttons of the strip, in the window's own coordinates: the strip is
// docked at the bottom of the 972 x 575 client area.
QRect ButtonGeometry(const char *button)
{
    const QString name = QLatin1String(button);
    QRect inStrip;
    if (name == QLatin1String("Button1"))
        inStrip = {864, 9, 91, 18};
    else if (name == QLatin1String("Button2"))
        inStrip = {440, 10, 97, 17};
    else if (name == QLatin1String("BtnGoDeleteAll"))
        inStrip = {760, 10, 97, 17};
    else if (name == QLatin1String("BtnGoDeleteOne"))
        inStrip = {656, 10, 97, 17};
    return inStrip.translated(0, 542);
}

} // namespace

TToolRun::TToolRun(TXDisplay &display) : display_(display) {}

TToolRun::~TToolRun()
{
    for (QProcess *process : {&tool_, &site_}) {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(5000);
        }
    }
}

bool TToolRun::Start(const QString &stateHome)
{
    const QString images = dataHome_.path() + QStringLiteral("/nvk/drive_c/Projects/qmtx/Images");
    QDir().mkpath(images);
    for (int n = 1; n <= 3; ++n) {
        const QString photo = QStringLiteral("V1269038-0%1.jpg").arg(n);
        QFile::copy(QStringLiteral(NVK_PRACTICE_PHOTOS_DIR "/") + photo, images + '/' + photo);
    }

    records_ = dataHome_.path() + QStringLiteral("/records.jsonl");
    site_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    KillWithTheTest(site_);
    site_.start(QStringLiteral(NVK_PRACTICE_SITE_PROGRAM),
                {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--records"), records_});
    QString port;
    const QDeadlineTimer siteDeadline(10000);
    // A site slow to start (a loaded machine, a sanitizer build) is waited
    // for up to the deadline, not only for the first 100 ms.
    while (port.isEmpty() && !siteDeadline.hasExpired() && site_.state() != QProcess::NotRunning) {
        site_.waitForReadyRead(100);
        while (site_.canReadLine()) {
            const QString line = QString::fromLatin1(site_.readLine()).trimmed();
            if (line.startsWith(QLatin1String("port ")))
                port = line.mid(5);
        }
    }
    if (port.isEmpty())
        return false;

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display_.Name());
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome_.path());
    const QString state = stateHome.isEmpty() ? dataHome_.path() + QStringLiteral("/state") : stateHome;
    environment.insert(QStringLiteral("XDG_STATE_HOME"), state);
    journal_ = state + QStringLiteral("/nvk/journal.jsonl");
    environment.insert(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"),
                       QStringLiteral("--proxy-server=http://127.0.0.1:") + port);
    environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("nvk.*.debug=true"));
    tool_.setProcessEnvironment(environment);
    tool_.setProcessChannelMode(QProcess::MergedChannels);
    KillWithTheTest(tool_);
    tool_.start(QStringLiteral(NVK_PROGRAM), {});
    if (!tool_.waitForStarted(10000))
        return false;

    const QDeadlineTimer windowDeadline(30000);
    while (!windowDeadline.hasExpired() && tool_.state() == QProcess::Running) {
        Watch();
        if (display_.FindWindow(kWindowTitle)) {
            // Shown is not yet drawn: the first frame follows the mapping.
            QThread::msleep(500);
            // A window the toolkit showed while it made the tool's is not a
            // box the tool showed.
            Watch();
            windowsSeen_.clear();
            return true;
        }
    }
    return false;
}

void TToolRun::Watch()
{
    tool_.waitForReadyRead(20);
    log_ += QString::fromLocal8Bit(tool_.readAll());
    // The tool's own window may lose its title as it goes: it is known by
    // its id from when it had it.
    for (const TXDisplay::TShownWindow &window : display_.ShownWindows()) {
        if (window.Title == kWindowTitle)
            toolWindows_.insert(window.Id);
        else if (!toolWindows_.contains(window.Id) && !windowsSeen_.contains(window.Description))
            windowsSeen_.append(window.Description);
    }
}

// The toolkit may replace the window it first showed (when the browser's
// surface needs another kind of window), so it is looked up each time.
std::optional<TXDisplay::WindowId> TToolRun::Window()
{
    const QDeadlineTimer deadline(5000);
    std::optional<TXDisplay::WindowId> window = display_.FindWindow(kWindowTitle);
    while (!window && !deadline.hasExpired()) {
        Watch();
        window = display_.FindWindow(kWindowTitle);
    }
    return window;
}

void TToolRun::Press(const char *button)
{
    if (const auto window = Window())
        display_.Click(display_.Origin(*window) + ButtonGeometry(button).center());
}

void TToolRun::RequestClose()
{
    if (const auto window = Window())
        display_.RequestClose(*window);
}

void TToolRun::Signal(int signal)
{
    ::kill(static_cast<pid_t>(tool_.processId()), signal);
}

bool TToolRun::WaitForLog(const QString &text, int occurrence, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        Watch();
        if (log_.count(text) >= occurrence)
            return true;
        if (tool_.state() == QProcess::NotRunning)
            return false;
    }
    return false;
}

bool TToolRun::WaitForExit(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (tool_.state() != QProcess::NotRunning && !deadline.hasExpired())
        Watch();
    tool_.waitForFinished(0);
    log_ += QString::fromLocal8Bit(tool_.readAll());
    return tool_.state() == QProcess::NotRunning;
}

QStringList TToolRun::LogFrom(const QString &text) const
{
    const qsizetype at = log_.indexOf(text);
    if (at < 0)
        return {};
    return log_.mid(at).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

std::vector<QJsonObject> TToolRun::Records(const QString &event) const
{
    std::vector<QJsonObject> found;
    QFile file(records_);
    if (!file.open(QIODevice::ReadOnly))
        return found;
    while (!file.atEnd()) {
        const QJsonObject record = QJsonDocument::fromJson(file.readLine()).object();
        if (event.isEmpty() || record.value(QLatin1String("event")).toString() == event)
            found.push_back(record);
    }
    return found;
}

QString TToolRun::JournalText() const
{
    // A journal that is no file (a device standing for a full disk) holds
    // no text.
    if (!QFileInfo(journal_).isFile())
        return {};
    QFile file(journal_);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

std::vector<QJsonObject> TToolRun::JournalEntries(const QString &event) const
{
    std::vector<QJsonObject> found;
    const QString text = JournalText();
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        // The text ends with a line feed: what follows the last one is empty.
        const bool last = i == lines.size() - 1;
        if (last && lines[i].isEmpty())
            break;
        QJsonParseError error;
        const QJsonDocument line = QJsonDocument::fromJson(lines[i].toUtf8(), &error);
        if (last || error.error != QJsonParseError::NoError || !line.isObject())
            found.push_back({{QStringLiteral("broken"), lines[i]}});
        else if (event.isEmpty() || line.object().value(QLatin1String("event")).toString() == event)
            found.push_back(line.object());
    }
    return found;
}

QStringList TToolRun::LeftoverEngineProcesses() const
{
    // The test program is the subreaper of what the tool started: an engine
    // process that outlived the tool has become the test's child.
    QStringList left;
    const QString self = QString::number(QCoreApplication::applicationPid());
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // pid (comm) state ppid ...
        const QString line = QString::fromLatin1(stat.readAll());
        const QStringList fields = line.mid(line.lastIndexOf(QLatin1Char(')')) + 2).split(' ');
        if (fields.size() < 2 || fields[1] != self || !line.contains(QLatin1String("QtWebEngine")))
            continue;
        if (fields[0] == QLatin1String("Z")) {
            ::waitpid(pid.toInt(), nullptr, WNOHANG);
            continue;
        }
        left.append(line.left(line.indexOf(QLatin1Char(')')) + 1));
    }
    return left;
}

QString TToolRun::PhotoPath(int number) const
{
    return dataHome_.path() +
           QStringLiteral("/nvk/drive_c/Projects/qmtx/Images/V1269038-0%1.jpg").arg(number);
}

QString TToolRun::KeepScreenshot(const QString &name) const
{
    QDir().mkpath(QStringLiteral(NVK_SCREENSHOT_DIR));
    const QString path = QStringLiteral(NVK_SCREENSHOT_DIR "/") + name + QStringLiteral(".png");
    return display_.SaveScreenshot(path) ? path : QString();
}
