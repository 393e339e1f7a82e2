#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <utility>
#include <vector>

class QJsonValue;
class QUrl;

// What the workflows did to the user's ads, kept after the tool has gone: one
// JSON object a line, appended to a file of the user's state folder. Only the
// tool's own acts while a workflow runs are written: the workflow and its
// button, the pages it opened and what they answered, the files it attached
// or refused, the page elements it clicked, the errors it showed and how it
// ended. Never a value typed into a page, other than a file's path.
//
// Each line goes to the file in one write, so a tool that is killed leaves
// whole lines only; a line the system could not take whole is taken back. A
// journal that cannot be written costs one warning on standard error and
// nothing else: the workflows go on as they would.
class TJournal {
public:
    static constexpr int64_t kRotateBytes = 10 * 1024 * 1024;

    // $XDG_STATE_HOME/nvk/journal.jsonl, the state folder defaulting to
    // ~/.local/state.
    static QString DefaultPath();

    TJournal() = default;
    ~TJournal();
    TJournal(const TJournal &) = delete;
    TJournal &operator=(const TJournal &) = delete;

    // Starts writing to the file (its folder is made when missing); past
    // rotateBytes the file becomes <path>.1, replacing the one before, and a
    // new file is begun. Without a path nothing is written.
    void Open(const QString &path, int64_t rotateBytes = kRotateBytes);
    void Close();

    // A text that must never reach the file, wherever it shows up (an
    // address, an error's text): it is written as "***".
    void Conceal(const QString &secret);

    // A workflow's start and end; runs nest when a handler starts during
    // another, and what happens between is written under the innermost.
    void BeginRun(const QString &workflow, const QString &button);
    // how: "done", "error" or "closed".
    void EndRun(const char *how);

    // A page load ended: with the HTTP status of its answer, or with the
    // network error that stopped it (status 0); a page that came by no
    // network (about:blank) has neither.
    void Navigation(const QUrl &address, int status, const QString &error);
    // The file's size and SHA-256 are written, not its content.
    void Attached(const QString &typed, const QString &file, const QByteArray &content);
    void Refused(const QString &typed, const QString &file, const QString &reason);
    void Click(const QString &name, const QString &type);
    void ErrorShown(const QString &text);

private:
    struct TRun {
        QString id;
        QString workflow;
    };

    // Lines are written while a workflow runs in an opened journal.
    bool Writing() const { return !path_.isEmpty() && !runs_.empty(); }
    void Write(const char *event, std::vector<std::pair<const char *, QJsonValue>> fields);
    QString Concealed(QString text) const;
    bool EnsureOpen();
    bool Append(const QByteArray &line);
    void Fail(int error);

    QString path_;
    int64_t rotateBytes_ = kRotateBytes;
    int fd_ = -1;
    bool warned_ = false;
    QStringList secrets_;
    std::vector<TRun> runs_;
    int runsBegun_ = 0;
};

// The tool's journal; it writes nothing until it is opened.
TJournal &Journal();
