#include "browser/errordisplay.h"

#include "browser/errors.h"
#include "browser/logging.h"
#include "browser/messagepump.h"
#include "journal/journal.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QWidget>

namespace {

class TMessageBoxPresenter : public TErrorPresenter {
public:
    void ShowError(const QString &caption, const QString &text) override
    {
        QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok);
        box.setWindowModality(Qt::ApplicationModal);
        // The box waits for the user, not the tool: the plain arrow, over the
        // busy cursor of the handler that failed.
        QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
        box.exec();
        QGuiApplication::restoreOverrideCursor();
    }
};

TErrorPresenter *&CurrentPresenter()
{
    static TErrorPresenter *presenter = nullptr;
    return presenter;
}

TErrorPresenter &Presenter()
{
    static TMessageBoxPresenter messageBox;
    TErrorPresenter *presenter = CurrentPresenter();
    return presenter ? *presenter : messageBox;
}

} // namespace

TErrorPresenter *SetErrorPresenter(TErrorPresenter *presenter)
{
    return std::exchange(CurrentPresenter(), presenter);
}

QString TitleFromProgramPath(const QString &path)
{
    QString name = path.section(QLatin1Char('/'), -1).section(QLatin1Char('\\'), -1);
    name = name.section(QLatin1Char('.'), 0, 0);
    if (name.isEmpty())
        return name;
    return name.left(1).toUpper() + name.mid(1).toLower();
}

QString ApplicationTitle()
{
    return TitleFromProgramPath(QCoreApplication::applicationFilePath());
}

QString WithFinalPeriod(const QString &message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

void HandleException(std::exception_ptr error)
{
    QString message;
    try {
        std::rethrow_exception(error);
    } catch (const EAbort &) {
        qCDebug(lcBrowser) << "abort dropped";
        return;
    } catch (const std::exception &e) {
        message = QString::fromUtf8(e.what());
    } catch (...) {
        message = QStringLiteral("Exception inconnue");
    }
    // Once the window has been closed, a workflow that fails as it unwinds
    // shows nothing: no box may outlive the window.
    if (QuitRequested()) {
        qCDebug(lcBrowser) << "error after the close, not shown:" << message;
        return;
    }
    // A window holding the mouse lets it go before the box comes up.
    if (QWidget *grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
    qCDebug(lcBrowser) << "error shown:" << message;
    const QString text = WithFinalPeriod(message);
    // Written before the box waits for the user: a tool ended meanwhile
    // still leaves it.
    Journal().ErrorShown(text);
    Presenter().ShowError(ApplicationTitle(), text);
}
