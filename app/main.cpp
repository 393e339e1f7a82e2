#include "app/frmmain.h"
#include "app/tapplication.h"
#include "browser/messagepump.h"
#include "journal/journal.h"
#include "keys/keyplatform.h"
#include "keys/qtkeyplatform.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <optional>
#include <string_view>

namespace {

// The tool's own options (--help, --version) are read before any window
// system is reached, so that they answer on a machine without a display.
// Qt's single-dash options (-platform, -style, ...) are left to the
// application object. No option changes what a workflow does.
std::optional<int> AnswerCommandLine(int argc, char *argv[])
{
    bool ours = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        ours = ours || arg.starts_with("--") || arg == "-h" || arg == "-v" || arg == "-?";
    }
    if (!ours)
        return std::nullopt;
    QCoreApplication cli(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(NVK_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("NVK - Enregistrement d'annonces: fills a classified-ads site's ad form, "
                       "attaches its photos and deletes published ads, in an embedded browser."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "nvk: %s\n", qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("nvk %s\n", NVK_VERSION);
        return 0;
    }
    std::fprintf(stderr, "nvk: unexpected argument '%s'\n",
                 qPrintable(parser.positionalArguments().value(0)));
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    if (const std::optional<int> answered = AnswerCommandLine(argc, argv))
        return *answered;
    TApplication::PrepareEnvironment();
    TApplication app(argc, argv);
    app.QuitOnTerminationSignals();
    // Keystroke scripts type into the focused widget of the application.
    TQtKeyPlatform keyboard;
    // Once the window is closed the tool is on its way out: a box then would
    // stand alone on the screen with nothing behind it.
    keyboard.SetMessageBox([](const std::string &text, const std::string &caption, unsigned type) {
        if (QuitRequested())
            return TKeyPlatform::IDOK;
        Journal().ErrorShown(QString::fromStdString(text));
        return TQtKeyPlatform::ShowMessageBox(text, caption, type);
    });
    Journal().Open(TJournal::DefaultPath());
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
