// The program: the application object's start-up, then the event loop.
#include <QApplication>

#include <clocale>

#include "quillstorm/quill.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Numbers are parsed and written in the C locale, whatever the user's.
    std::setlocale(LC_NUMERIC, "C");
    QuillRegisterClasses();

    std::vector<std::string> args;
    const QStringList list = QCoreApplication::arguments();
    for (qsizetype i = 1; i < list.size(); ++i) args.push_back(list[i].toLocal8Bit().toStdString());

    CQuillApp theApp;
    // A document handed to the program already running ends this start successfully.
    if (!theApp.InitInstance(CQuillStartup::FromArguments(args))) return theApp.HandedOver() ? 0 : 1;
    // The window may have gone already (closed while the splash's loop ran).
    const int status = theApp.IsRunning() ? app.exec() : 0;
    theApp.ExitInstance();
    return status;
}
