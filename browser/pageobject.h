#pragma once

#include "browser/dispatch.h"

#include <QPointer>
#include <QString>

#include <memory>

class QJsonObject;
class TPageBridge;
class Variant;

// An object of the page, reached through a bridge handle. It is what a
// variant holds for a document, a collection or an element: one counted
// reference, and when the last reference goes the handle is freed in the
// page. Every call checks the handle's document: a handle of a document that
// has gone fails with RPC_E_DISCONNECTED, never hangs.
class TPageObject : public IDispatch {
public:
    TPageObject(TPageBridge *bridge, QString docId, int handle);
    ~TPageObject() override;

    HRESULT GetIDsOfNames(const std::u16string &name, DISPID &id) override;
    HRESULT Invoke(DISPID id, TInvokeKind kind, std::vector<Variant> &args, Variant *result,
                   TExcepInfo *excepInfo) override;

    // Whether the object is an instance of one of the DOM classes the tool
    // takes objects as (HTMLFormElement, HTMLInputElement, ...).
    bool IsInstanceOf(const char *domClass) const;

    TPageBridge *Bridge() const { return bridge_; }
    const QString &DocumentId() const { return docId_; }
    int Handle() const { return handle_; }

private:
    QPointer<TPageBridge> bridge_;
    QString docId_;
    int handle_;
};

// A value as the page's answers carry it ({ t, v } or { t: "obj", h }).
Variant DecodePageValue(const QJsonObject &value, TPageBridge *bridge, const QString &docId);

// The status a call gets when the page answers with that error.
HRESULT PageErrorStatus(const QJsonObject &error, TExcepInfo *excepInfo);

// Raises what a late-bound call of that member raises when the page answers
// with that error.
[[noreturn]] void RaisePageCallError(const std::string &member, const QJsonObject &error);

// The page object a variant holds, or null when it holds something else.
std::shared_ptr<TPageObject> AsPageObject(const Variant &value);
