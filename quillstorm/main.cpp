// The program: the application object's start-up, then the event loop.
#include <QApplication>

#include <clocale>

#include "quillstorm/quill.h"
#include "quillstorm/shellintegration.h"

int main(int argc, char** argv) {
    // The X display named by the toolkit's -display option, which QApplication takes out of argv.
    const char* pszXDisplayOption = ShellDisplayOption(argc, argv);
    QApplication app(argc, argv);
    // Numbers are parsed and written in the C locale, whatever the user's.
    std::setlocale(LC_NUMERIC, "C");
    QuillRegisterClasses();

    // The arguments as bytes (file names need not be text in any encoding); the toolkit has taken its
    // own options out of argv by now.
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);

    CQuillApp theApp;
    // A document handed to the program already running ends this start successfully; one it refused
    // (said on standard error) ends it with a failure.
    CQuillStartup startup = CQuillStartup::FromArguments(args);
    // Later starts on this display hand their documents to this program; those on another do not.
    startup.strDisplay = ShellProcessDisplay(pszXDisplayOption);
    if (!theApp.InitInstance(startup)) return theApp.HandedOver() ? 0 : 1;
    // The window may have gone already (closed while the splash's loop ran).
    const int status = theApp.IsRunning() ? app.exec() : 0;
    theApp.ExitInstance();
    return status;
}
