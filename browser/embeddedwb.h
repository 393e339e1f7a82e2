#pragma once

#include "browser/variant.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>

class QWebEngineProfile;
class QWebEngineView;
class TPageBridge;
class TWebPage;

// Dispatch identifiers of the browser properties the tool reads.
constexpr DISPID DISPID_READYSTATE = -525;
constexpr DISPID DISPID_BUSY = 212;
constexpr DISPID DISPID_DOCUMENT = 203;

class TEmbeddedWB;

// Called on every pass of a page wait; it may change the time limit and
// cancel the wait.
using TOnBusyWait =
    std::function<void(TEmbeddedWB *Sender, uint32_t AStartTime, uint32_t &TimeOut, bool &Cancel)>;

// The embedded browser: a control that hosts a Qt WebEngine view, keeps it
// filling its client area, and offers what the workflows need of it:
// navigate, wait for the page, read the ready and busy state and the
// document, call into the page by late binding, take the keyboard focus.
//
// The browser starts without a document; nothing is loaded until the first
// Navigate. Pages show no dialog boxes, script errors are not shown, Ctrl+N
// is discarded, forms keep no auto-complete data (the profile is off the
// record), images load and scripts run.
class TEmbeddedWB : public QWidget {
    Q_OBJECT

public:
    explicit TEmbeddedWB(QWidget *parent = nullptr);
    ~TEmbeddedWB() override;

    void Navigate(const QString &address);
    // False when the wait timed out or was cancelled; 0 is no time limit.
    bool WaitForPage(uint32_t TimeOut);
    Variant ReadProperty(DISPID id);
    Variant GetAutomationObject();
    void FocusBrowser();

    TOnBusyWait OnBusyWait;

    int32_t ReadyState() const;
    bool Busy() const;

    QWebEngineView *View() const { return view_; }
    TWebPage *Page() const { return page_; }
    TPageBridge *Bridge() const { return bridge_; }
    bool BeingDestroyed() const { return beingDestroyed_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;

private:
    void WatchKeys(QObject *object);
    void PlaceInTabOrder(QWidget *keyWidget);

    bool beingDestroyed_ = false;
    QWebEngineProfile *profile_ = nullptr;
    QWebEngineView *view_ = nullptr;
    TWebPage *page_ = nullptr;
    TPageBridge *bridge_ = nullptr;
};
