#pragma once

#include <QApplication>

// The application object. Every event is dispatched inside an error guard:
// an error that escapes a handler is shown by the default error handler and
// the event loop goes on. Handlers of the window guard themselves already;
// this is the net under everything else.
class TApplication : public QApplication {
    Q_OBJECT

public:
    // Prepares the process for Qt WebEngine (sandbox when root, shared GL
    // contexts); call before the constructor.
    static void PrepareEnvironment();

    TApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    // SIGTERM and SIGINT end the application as closing its window does: the
    // running workflow unwinds and the process exits cleanly.
    void QuitOnTerminationSignals();

private:
    void OnTerminationSignal();
};
