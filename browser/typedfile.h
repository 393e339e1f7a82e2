#pragma once

#include <QByteArray>
#include <QString>


// What a path typed into a page's file field stands for on this system. A
// path with a drive letter ("c:\Projects\photo.jpg") lives under
// $XDG_DATA_HOME/nvk/drive_<letter>/ with its backslashes as slashes
// (XDG_DATA_HOME defaulting to ~/.local/share); any other path is taken as a
// local path.
QString ResolveTypedPath(const QString &typed);

struct TAttachableFile {
    // The file the typed path stands for.
    QString Path;
    QString Name;
    QString MimeType;
    QByteArray Data;
    // Why that file cannot be attached; empty when it can.
    QString Refusal;
};

constexpr qint64 kMaxAttachedFileBytes = 20 * 1024 * 1024;

// The file a typed path names, read when it is a regular, readable file of at
// most 20 MiB.
TAttachableFile ReadAttachableFile(const QString &typed);
