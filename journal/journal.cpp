#include "journal/journal.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QUrl>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// One value as it stands in a JSON text.
QByteArray Encoded(const QJsonValue &value)
{
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

// Makes the folder and those above it that are missing; the error of the
// first one that could not be made, or 0.
int MakeFolder(const QString &folder)
{
    const QByteArray path = QFile::encodeName(folder);
    for (qsizetype at = 1; at <= path.size(); ++at) {
        if (at < path.size() && path[at] != '/')
            continue;
        if (::mkdir(path.left(at).constData(), 0700) != 0 && errno != EEXIST)
            return errno;
    }
    return 0;
}

} // namespace

QString TJournal::DefaultPath()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    // A relative XDG_STATE_HOME is ignored, as other desktop programs
    // ignore it.
    if (!QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/nvk/journal.jsonl");
}

TJournal::~TJournal()
{
    Close();
}

void TJournal::Open(const QString &path, int64_t rotateBytes)
{
    Close();
    path_ = path;
    rotateBytes_ = rotateBytes;
    warned_ = false;
}

void TJournal::Close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    path_.clear();
}

void TJournal::Conceal(const QString &secret)
{
    if (secret.isEmpty() || secrets_.contains(secret))
        return;
    secrets_.append(secret);
    const QString encoded = QString::fromLatin1(QUrl::toPercentEncoding(secret));
    if (encoded != secret)
        secrets_.append(encoded);
}

QString TJournal::Concealed(QString text) const
{
    for (const QString &secret : secrets_)
        text.replace(secret, QStringLiteral("***"));
    return text;
}

void TJournal::BeginRun(const QString &workflow, const QString &button)
{
    runs_.push_back({QStringLiteral("%1.%2").arg(QCoreApplication::applicationPid()).arg(++runsBegun_),
                     workflow});
    Write("start", {{"workflow", workflow}, {"button", button}});
}

void TJournal::EndRun(const char *how)
{
    if (runs_.empty())
        return;
    Write("end", {{"workflow", runs_.back().workflow}, {"result", QLatin1String(how)}});
    runs_.pop_back();
}

void TJournal::Navigation(const QUrl &address, int status, const QString &error)
{
    std::vector<std::pair<const char *, QJsonValue>> fields{
        {"address", address.toString(QUrl::FullyEncoded)}};
    if (status > 0)
        fields.emplace_back("status", status);
    else if (!error.isEmpty())
        fields.emplace_back("error", error);
    Write("navigation", std::move(fields));
}

void TJournal::Attached(const QString &typed, const QString &file, const QByteArray &content)
{
    // A photo may weigh 20 MiB: it is hashed only for a line that is written.
    if (!Writing())
        return;
    const QString sha256 =
        QString::fromLatin1(QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex());
    Write("attach",
          {{"typed", typed}, {"file", file}, {"size", qint64(content.size())}, {"sha256", sha256}});
}

void TJournal::Refused(const QString &typed, const QString &file, const QString &reason)
{
    Write("refuse", {{"typed", typed}, {"file", file}, {"reason", reason}});
}

void TJournal::Click(const QString &name, const QString &type)
{
    Write("click", {{"name", name}, {"type", type}});
}

void TJournal::ErrorShown(const QString &text)
{
    Write("error", {{"text", text}});
}

void TJournal::Write(const char *event, std::vector<std::pair<const char *, QJsonValue>> fields)
{
    if (!Writing())
        return;
    QByteArray line = "{\"time\":" +
                      Encoded(QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)) +
                      ",\"run\":" + Encoded(runs_.back().id) + ",\"event\":" +
                      Encoded(QLatin1String(event));
    for (auto &[key, value] : fields) {
        if (value.isString())
            value = Concealed(value.toString());
        line += ",\"" + QByteArray(key) + "\":" + Encoded(value);
    }
    line += "}\n";
    Append(line);
}

bool TJournal::EnsureOpen()
{
    if (fd_ >= 0)
        return true;
    if (const int error = MakeFolder(QFileInfo(path_).path())) {
        Fail(error);
        return false;
    }
    fd_ = ::open(QFile::encodeName(path_).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC,
                 0600);
    if (fd_ < 0) {
        Fail(errno);
        return false;
    }
    return true;
}

bool TJournal::Append(const QByteArray &line)
{
    const QByteArray path = QFile::encodeName(path_);
    struct stat open {};
    struct stat named {};
    // Another instance of the tool may have rotated the file since it was
    // opened here.
    if (fd_ >= 0 && (::fstat(fd_, &open) != 0 || ::stat(path.constData(), &named) != 0 ||
                     open.st_ino != named.st_ino || open.st_dev != named.st_dev)) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!EnsureOpen() || ::fstat(fd_, &open) != 0)
        return false;
    if (open.st_size > 0 && open.st_size + line.size() > rotateBytes_) {
        const QByteArray older = path + ".1";
        ::rename(path.constData(), older.constData());
        ::close(fd_);
        fd_ = -1;
        if (!EnsureOpen() || ::fstat(fd_, &open) != 0)
            return false;
    }
    ssize_t written;
    do
        written = ::write(fd_, line.constData(), size_t(line.size()));
    while (written < 0 && errno == EINTR);
    if (written == line.size())
        return true;
    // A full disk may take part of the line: it is taken back, so that the
    // next line does not continue a broken one.
    const int error = written < 0 ? errno : ENOSPC;
    if (written > 0) {
        [[maybe_unused]] const int truncated = ::ftruncate(fd_, open.st_size);
    }
    ::close(fd_);
    fd_ = -1;
    Fail(error);
    return false;
}

void TJournal::Fail(int error)
{
    if (std::exchange(warned_, true))
        return;
    std::fprintf(stderr, "nvk: warning: the journal %s cannot be written (%s); the workflows go on without it\n",
                 qPrintable(QDir::toNativeSeparators(path_)), std::strerror(error));
}

TJournal &Journal()
{
    static TJournal journal;
    return journal;
}
