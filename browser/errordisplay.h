#pragma once

#include <QString>

#include <exception>
#include <utility>

// How an error that ends a handler of the window reaches the user: a modal
// box with the error icon, one OK button and the application's title as its
// caption. The application then goes on.

// Shows the box. Tests install a presenter of their own so that nothing
// modal blocks them.
class TErrorPresenter {
public:
    virtual ~TErrorPresenter() = default;
    virtual void ShowError(const QString &caption, const QString &text) = 0;
};

// Installs a presenter; null restores the message box. Returns the previous.
TErrorPresenter *SetErrorPresenter(TErrorPresenter *presenter);

// The application's title: the program file's name without its directory and
// without everything from its first ".", first letter upper case and the rest
// lower case ("nvk" gives "Nvk").
QString TitleFromProgramPath(const QString &path);
QString ApplicationTitle();

// A message that ends in a character sorting after "." gets a final ".";
// one ending in ".", "!" or ")" stays as it is.
QString WithFinalPeriod(const QString &message);

// The application's default error handler: EAbort is dropped without a
// word, every other error is shown.
void HandleException(std::exception_ptr error);

// Runs one handler of a window event; an error that leaves it ends it there
// and is handled as above, so the event loop goes on. True when the handler
// ran to its end.
template <typename Handler>
bool RunGuarded(Handler &&handler)
{
    try {
        std::forward<Handler>(handler)();
        return true;
    } catch (...) {
        HandleException(std::current_exception());
        return false;
    }
}
