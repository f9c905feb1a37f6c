#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <csignal>
#include <cstdio>

#include "cpublic.h"
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
    // Ties the windows to the installed desktop entry, so the desktop shows
    // the entry's name and icon for them.
    QGuiApplication::setDesktopFileName(QStringLiteral(ZD_APP_ID));
    g_dpi_percent = 1.0;

    // A SIGTERM or SIGINT from here on ends the program through the normal
    // shut-down once an event loop runs (the start-up message's too).
    QuitSignalWatcher quitWatcher;

    // The program's own file may be read-only: packages install it so. What
    // the program needs is its data folder; when that cannot be made or
    // written, it says where and why and leaves everything as it was.
    const QString dataFolder = CPublic::AppDataLocation();
    const QString problem = CPublic::FolderWriteProblem(dataFolder);
    if (!problem.isEmpty()) {
        const QString text = QStringLiteral("The application data folder \"%1\" cannot be used: %2")
                                 .arg(dataFolder, problem);
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        QMessageBox::information(nullptr, "Veltrano Helper", text, QMessageBox::Ok);
        return 0;
    }

    InitGlobalSettings();
    QGuiApplication::setWindowIcon(QIcon(MAIN_ICON));
    ZD_SetMainMessageCallBack(zd_message_callback, nullptr);

    // The main window registers itself as the receiver of untargeted
    // messages and stays until after the shared state has been released.
    ZDHelperGUI window(nullptr);
    QObject::connect(&quitWatcher, &QuitSignalWatcher::quitRequested, &window,
                     &ZDHelperGUI::closeWithoutQuestion);
    window.show();

    const int result = app.exec();
    ReleaseGlobalSettings();
    return result;
}
