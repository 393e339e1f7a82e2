#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// What a path typed into a page's file field stands for on this system. A
// path with a drive letter ("c:\Projects\photo.jpg") lives under
// $XDG_DATA_HOME/nvk/drive_<letter>/ with its backslashes as slashes
// (XDG_DATA_HOME defaulting to ~/.local/share); any other path is taken as a
// local path.
QString ResolveTypedPath(const QString &typed);

struct TAttachableFile {
    QString Name;
    QString MimeType;
    QByteArray Data;
};

constexpr qint64 kMaxAttachedFileBytes = 20 * 1024 * 1024;

// The file a typed path names, when it is a regular, readable file of at most
// 20 MiB; nothing otherwise.
std::optional<TAttachableFile> ReadAttachableFile(const QString &typed);
