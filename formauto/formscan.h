#pragma once

#include "browser/variant.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <optional>
#include <string>

class TEmbeddedWB;
class TPageBridge;

// What the page answered to a request about its document: the value, with
// the bridge and the document that make page objects of its handles.
struct TDocumentAnswer {
    QJsonObject Value;
    TPageBridge *Bridge;
    QString DocId;
};

// Sends the request (its op and fields; the document is added) in one round
// trip. A request that fails, or that the page stopped at a step
// ({ stop: { step, e } }), raises what the late-bound call of that step would
// have raised, FirstMember for the request as a whole. None when there is no
// document.
std::optional<TDocumentAnswer> AskDocument(TEmbeddedWB &Control, QJsonObject Request,
                                           const std::string &FirstMember);

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
