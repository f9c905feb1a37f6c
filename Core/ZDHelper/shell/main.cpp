#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QMessageBox>
#include <csignal>

#include "globalsettings.h"
#include "myevent.h"
#include "qglobalapplication.h"
#include "quitsignalwatcher.h"
#include "stdafx.h"
#include "vazURIdav.h"
#include "zdhelpergui.h"

int main(int argc, char** argv)
{
    struct sigaction pipeAction {
    };
    pipeAction.sa_handler = handle_PIPE_SIG;
    sigemptyset(&pipeAction.sa_mask);
    pipeAction.sa_flags = 0;
    sigaction(SIGPIPE, &pipeAction, nullptr);

    OEM_define();
    GlobalApplication app(argc, argv);
    g_dpi_percent = 1.0;

    // The program's real file, wherever it was started from: argv[0] may be
    // a bare name found through PATH or a path relative to another folder.
    if (!QFileInfo(QCoreApplication::applicationFilePath()).isWritable()) {
        QMessageBox::information(nullptr, "Veltrano Helper",
                                 "Please copy the program to the application folder first, and "
                                 "then start it from the application folder.",
                                 QMessageBox::Ok);
        return 0;
    }

    // A SIGTERM or SIGINT from here on ends the program through the normal
    // shut-down once the event loop runs.
    QuitSignalWatcher quitWatcher;

    InitGlobalSettings();
    QGuiApplication::setWindowIcon(QIcon(MAIN_ICON));
    ZD_SetMainMessageCallBack(zd_message_callback, nullptr);

    // The main window registers itself as the receiver of untargeted
    // messages and stays until after the shared state has been released.
    ZDHelperGUI window(nullptr);
    window.show();

    const int result = app.exec();
    ReleaseGlobalSettings();
    return result;
}
