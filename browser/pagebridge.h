#pragma once

#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QWebEnginePage>

#include <cstdint>
#include <exception>
#include <vector>

class QWebEngineLoadingInfo;

// The host's side of the page bridge: it injects the bridge script into every
// new document of a page, keeps the load state the script reports, and makes
// synchronous calls into the page.
//
// A synchronous call is one runJavaScript round trip, waited for in a local
// event loop that runs no handler of the window. It ends on the first of: the
// answer, the time bound, the renderer's termination, the page's destruction
// or an application quit, and the caller learns which. The callback's state
// lives in a shared object, not on the waiting function's stack, because the
// engine may call it after the wait has given up.
class TPageBridge : public QObject {
    Q_OBJECT

public:
    // The browser's load states, as the tool's ReadyState reports them.
    enum TReadyState : int32_t {
        Uninitialized = 0,
        Loading = 1,
        Loaded = 2,
        Interactive = 3,
        Complete = 4,
    };

    static constexpr uint32_t kWorldId = 7;
    static constexpr int kDefaultCallTimeoutMs = 15000;
    static constexpr int kKeyDeliveryWaitMs = 2000;

    explicit TPageBridge(QWebEnginePage *page, QObject *parent = nullptr);
    ~TPageBridge() override;

    QWebEnginePage *Page() const { return page_; }

    // Load state, kept by the host without a round trip.
    int32_t ReadyState() const;
    bool Busy() const { return busy_; }
    // The id of the current document, empty when there is none.
    const QString &DocumentId() const { return docId_; }
    bool HasDocument() const { return !docId_.isEmpty(); }

    // Called by the host as it starts a navigation, so that a wait that
    // follows never sees the previous page's complete state.
    void BeginNavigation();

    // One synchronous request; returns the bridge's envelope once its shape
    // has been checked. Raises EOleSysError when the round trip fails, EAbort
    // when the application quits meanwhile.
    QJsonObject Request(QJsonObject request);

    // Frees a handle in its document; sent with the next request, or soon.
    void QueueRelease(const QString &docId, int handle);

    void SetCallTimeout(int milliseconds) { callTimeoutMs_ = milliseconds; }

    // A number for a setfield request; Settled(serial) is true once the page
    // has reported that request's field set, even when the request itself
    // outlasted its time bound.
    int NewSerial() { return ++lastSerial_; }
    bool Settled(int serial) const { return settledSerial_ == serial; }

    // Engine callbacks run inside this guard: a synchronous call made there
    // could never be answered, so it fails at once instead. An exception
    // escaping an engine callback would abort the process, so the guard's
    // owner catches it and hands it to Keep(), and the next synchronous call
    // raises it.
    class TEngineCallbackGuard {
    public:
        explicit TEngineCallbackGuard(TPageBridge *bridge);
        ~TEngineCallbackGuard();
        TEngineCallbackGuard(const TEngineCallbackGuard &) = delete;
        TEngineCallbackGuard &operator=(const TEngineCallbackGuard &) = delete;

    private:
        QPointer<TPageBridge> bridge_;
    };
    void Keep(std::exception_ptr error);
    bool InEngineCallback() const { return engineCallbackDepth_ > 0; }

    // A key event was delivered to the page's render widget.
    void NoteKeyDelivered();

    // Handles a console message of the page; true when it was the bridge's
    // own report and must not go further.
    bool HandleConsoleMessage(const QString &message);

signals:
    // The load state changed (a report, a load start or end, a crash).
    void stateChanged();

private:
    void InstallScript();
    // Makes doc (empty for none) the document shown, in that state.
    void ShowDocument(const QString &doc, int32_t state);
    void OnLoadingChanged(const QWebEngineLoadingInfo &info);
    void OnRenderProcessTerminated();
    QJsonObject RoundTrip(const QJsonObject &request);
    void AttachTypedFiles();
    void AwaitDeliveredKeys();
    void FlushReleases();
    void TakeReleases(QJsonObject &request);
    void RaiseKeptError();

    QPointer<QWebEnginePage> page_;
    QString token_;
    int callTimeoutMs_ = kDefaultCallTimeoutMs;
    int engineCallbackDepth_ = 0;
    std::exception_ptr keptError_;

    bool navigated_ = false;
    bool busy_ = false;
    bool rendererGone_ = false;
    // Set when a navigation starts; cleared by the first report of a new
    // document, or when the load ends without one.
    bool awaitingDocument_ = false;
    // The document shown, and its state; documents it replaced are retired.
    QString docId_;
    int32_t docState_ = Uninitialized;
    QSet<QString> retiredDocs_;

    // Paths typed into file fields of the current document, by field, to be
    // attached before the next call runs.
    std::vector<std::pair<int, QString>> typedPaths_;
    // Key events delivered to the current document, and seen by it.
    int keysDelivered_ = 0;
    int keysSeen_ = 0;
    // Handles of the current document whose last reference has gone.
    std::vector<int> pendingReleases_;
    bool flushScheduled_ = false;
    int lastSerial_ = 0;
    int settledSerial_ = 0;
};
