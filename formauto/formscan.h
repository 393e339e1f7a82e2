#pragma once

#include "browser/variant.h"

#include <QJsonArray>
#include <QJsonObject>

#include <optional>
#include <string>

class TEmbeddedWB;
class TPageBridge;

// The forms of the open page read in one round trip, with each step's value
// or error as a walk of one late-bound call per step would have met it.
class TFormScan {
public:
    // "hasforms", "find" (the elements named Name, or that may be) or "list"
    // (every element). Raises what the walk would have raised before its
    // first element; no scan when there is no document.
    static std::optional<TFormScan> Run(TEmbeddedWB &Control, const QString &What,
                                        const std::string &Name = {});

    bool HasForms() const { return answer_.value(QLatin1String("forms")).toBool(); }
    QJsonArray Candidates() const { return answer_.value(QLatin1String("candidates")).toArray(); }
    QJsonArray Entries() const { return answer_.value(QLatin1String("entries")).toArray(); }

    // A step's value, or the error its call would have raised.
    Variant Value(const QJsonValue &Step) const;

private:
    TFormScan(QJsonObject Answer, TPageBridge *Bridge, QString DocId);

    QJsonObject answer_;
    TPageBridge *bridge_;
    QString docId_;
};
