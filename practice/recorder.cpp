#include "practice/recorder.h"

#include <QDateTime>
#include <QJsonDocument>

#include <stdexcept>

namespace practice {

namespace {

std::string line(const QJsonObject& entry)
{
    return QJsonDocument(entry).toJson(QJsonDocument::Compact).toStdString() + '\n';
}

} // namespace

Recorder::Recorder(const std::string& path)
{
    if (path.empty()) {
        return;
    }
    file_.open(path, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!file_) {
        throw std::runtime_error("cannot write the records file " + path);
    }
    toFile_ = true;
}

void Recorder::record(QJsonObject entry)
{
    std::lock_guard lock(mutex_);
    entry.insert("seq", qint64(entries_.size() + 1));
    entry.insert("time", QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs));
    if (toFile_) {
        file_ << line(entry);
        file_.flush();
    }
    entries_.push_back(std::move(entry));
}

std::vector<QJsonObject> Recorder::entries() const
{
    std::lock_guard lock(mutex_);
    return entries_;
}

std::string Recorder::lines() const
{
    std::lock_guard lock(mutex_);
    std::string out;
    for (const QJsonObject& entry : entries_) {
        out += line(entry);
    }
    return out;
}

} // namespace practice
