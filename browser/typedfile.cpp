#include "browser/typedfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QStandardPaths>

QString ResolveTypedPath(const QString &typed)
{
    static const QRegularExpression drivePath(QStringLiteral("^([A-Za-z]):[\\\\/](.*)$"));
    const QRegularExpressionMatch match = drivePath.match(typed);
    if (!match.hasMatch())
        return typed;
    const QString dataHome =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    QString rest = match.captured(2);
    rest.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return dataHome + QStringLiteral("/nvk/drive_") + match.captured(1).toLower() +
           QLatin1Char('/') + rest;
}

TAttachableFile ReadAttachableFile(const QString &typed)
{
    TAttachableFile file;
    if (typed.isEmpty()) {
        file.Refusal = QStringLiteral("no path");
        return file;
    }
    const QFileInfo info(ResolveTypedPath(typed));
    file.Path = info.absoluteFilePath();
    file.Name = info.fileName();
    // A device, a pipe or a folder is no photo; reading one could block or
    // never end.
    if (!info.exists())
        file.Refusal = QStringLiteral("no such file");
    else if (!info.isFile())
        file.Refusal = QStringLiteral("not a regular file");
    else if (!info.isReadable())
        file.Refusal = QStringLiteral("not readable");
    else if (info.size() > kMaxAttachedFileBytes)
        file.Refusal = QStringLiteral("larger than 20 MiB");
    if (!file.Refusal.isEmpty())
        return file;
    QFile content(file.Path);
    if (!content.open(QIODevice::ReadOnly)) {
        file.Refusal = content.errorString();
        return file;
    }
    file.Data = content.read(kMaxAttachedFileBytes + 1);
    if (file.Data.size() > kMaxAttachedFileBytes) {
        file.Data.clear();
        file.Refusal = QStringLiteral("larger than 20 MiB");
        return file;
    }
    file.MimeType = QMimeDatabase().mimeTypeForFile(info).name();
    return file;
}
