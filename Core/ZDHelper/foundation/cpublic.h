// Where the application's folders are, how the user picks files and folders,
// and how style sheets are loaded. Every operation is static; the one instance
// g_Public exists so that callers may also write g_Public.GetAppDatePath().
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QDialog;
class QWidget;

// What a file dialog was asked to show; a test hook fills answer instead of
// the user.
struct FileDialogRequest {
    enum Kind { OpenFiles, SaveFile, ChooseDir };
    Kind kind = OpenFiles;
    QString title;
    QString startDir;
    QString filter;
    bool several = false;
    QWidget* parent = nullptr;
    QStringList answer;
};
// Returns true when the "user" accepted, with the chosen paths in answer.
using FileDialogHook = std::function<bool(FileDialogRequest& request)>;

class CPublic : public QObject
{
    Q_OBJECT

public:
    explicit CPublic(QObject* parent = nullptr);

    // ---- Folders ----
    static QString GetExePath();
    // The package's data folder beside the program's folder
    // ("<prefix>/share/veltrano" for "<prefix>/bin").
    static QString GetResourcePath();
    // The application-data folder, created with its parents on the first call
    // and fixed from then on.
    static QString GetAppDatePath();
    // Where the application-data folder belongs, created or not.
    static QString AppDataLocation();
    // Why a folder cannot hold the program's files: it is created with its
    // parents when missing and must take a new file. Empty when it can.
    static QString FolderWriteProblem(const QString& folder);
    static QString GetCacheDataPath();
    static QString GetSceneDataPath();
    static QString GetOBSPluginPath();
    static QString GetTempDir();
    // A new, private temporary file "zd-tmp-XXXXXX.<ext>" in the temporary
    // folder. The file is created empty (mode 0600) so that its name is the
    // caller's alone; an empty text when none could be made.
    static QString GetTempFile(const QString& extension);
    // The same in the application data's "tmp" folder, for files that must
    // not outlive the program: named after this process, so that the next
    // start removes what a killed run left (RemoveTempLeftovers).
    static QString GetAppTempFile(const QString& extension);
    static void RemoveTempLeftovers();
    // The user's movies folder, created when missing.
    static QString GetMyVideoPath();
    static QString ValidPathString(const QString& path);

    // ---- File dialogs ----
    // place: a folder when it holds ":", else a key under OPENFILE/SAVEFILE
    // that remembers the folder of the last choice.
    static bool GetOpenFiles(QStringList& files, bool several, const QString& filter,
                             const QString& place, QWidget* parent);
    static bool GetSaveFile(QString& filePath, const QString& filter, const QString& place,
                            QWidget* parent);
    static bool GetSaveDir(QString& folder, const QString& title, const QString& startDir,
                           QWidget* parent);
    // Tests answer the dialogs through this hook; an empty hook shows them.
    static void setFileDialogHook(FileDialogHook hook);
    // The platform's own dialogs (files, folders, colours) are made without a
    // parent widget, since a parent's dark style sheet would reach every
    // widget of theirs and leave half of them dark on dark. This keeps such a
    // dialog modal, in front of the window of owner (or the main window), and
    // centred on it. Call it before the dialog is shown.
    static void PrepareSystemDialog(QDialog& dialog, QWidget* owner);

    // ---- Folder listing ----
    static bool EnumDirFiles(const QString& folder, const QString& extension, QStringList* paths,
                             QStringList* names);

    // ---- Style sheets ----
    // Resources "/qss/" + name, pixel sizes scaled; empty when unreadable.
    static QByteArray ReadQSSFile(const QString& fileName);
    // Each pixel size multiplied by g_dpi_percent.
    static QString scale_qss(const QString& text);
};

extern CPublic g_Public;
