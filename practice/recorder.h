#pragma once

#include <QJsonObject>

#include <fstream>
#include <mutex>
#include <string>
#include <vector>

namespace practice {

// Keeps one JSON object per request the site received, in the order the
// answers were given, and writes each as one line to the records file as
// soon as it is known, so that a run that is killed still leaves its lines.
class Recorder {
public:
    // An empty path keeps the records in memory only. Throws
    // std::runtime_error when the file cannot be created.
    explicit Recorder(const std::string& path);

    // Adds "seq" (from 1) and "time" (UTC, ISO 8601 with milliseconds) to the
    // entry and keeps it.
    void record(QJsonObject entry);

    std::vector<QJsonObject> entries() const;

    // The records as JSON lines, each ended by a line feed.
    std::string lines() const;

private:
    mutable std::mutex mutex_;
    std::vector<QJsonObject> entries_;
    std::ofstream file_;
    bool toFile_ = false;
};

} // namespace practice
