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

std::optional<TAttachableFile> ReadAttachableFile(const QString &typed)
{
    if (typed.isEmpty())
        return std::nullopt;
    const QFileInfo info(ResolveTypedPath(typed));
    // A device, a pipe or a folder is no photo; reading one could block or
    // never end.
    if (!info.isFile() || !info.isReadable() || info.size() > kMaxAttachedFileBytes)
        return std::nullopt;
    QFile file(info.absoluteFilePath());
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray data = file.read(kMaxAttachedFileBytes + 1);
    if (data.size() > kMaxAttachedFileBytes)
        return std::nullopt;
    return TAttachableFile{info.fileName(), QMimeDatabase().mimeTypeForFile(info).name(),
                           std::move(data)};
}
