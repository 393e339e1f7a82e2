#include "app/frmmain.h"
#include "app/tapplication.h"
#include "browser/messagepump.h"
#include "keys/keyplatform.h"
#include "keys/qtkeyplatform.h"

int main(int argc, char *argv[])
{
    TApplication::PrepareEnvironment();
    TApplication app(argc, argv);
    app.QuitOnTerminationSignals();
    // Keystroke scripts type into the focused widget of the application.
    TQtKeyPlatform keyboard;
    // Once the window is closed the tool is on its way out: a box then would
    // stand alone on the screen with nothing behind it.
    keyboard.SetMessageBox([](const std::string &text, const std::string &caption, unsigned type) {
        return QuitRequested() ? TKeyPlatform::IDOK : TQtKeyPlatform::ShowMessageBox(text, caption, type);
    });
    SetCurrentKeyPlatform(&keyboard);
    int exitCode = 0;
    {
        // The window, and the browser with it, is destroyed before the
        // application object, once every handler has unwound.
        TForm1 form;
        form.show();
        exitCode = app.exec();
    }
    return exitCode;
}
