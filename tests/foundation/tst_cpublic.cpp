// Folders, temporary names, file dialogs that remember their folder, the
// platform's dialogs kept apart from the dark style, folder listing and
// style-sheet scaling.
#include "zdtestmain.h"

#include "cpublic.h"
#include "qmycolorpickbutton.h"
#include "stdafx.h"
#include "zddialogdriver.h"

#include <QApplication>
#include <QColorDialog>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMouseEvent>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWindow>

#include <sys/stat.h>
#include <unistd.h>

class TestCPublic : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void folders();
    void dataFolderIsFixedAtFirstUse();
    void temporaryNamesAreUniqueAndPrivate();
    void programTempFilesAndLeftovers();
    void folderWriteProblem_data();
    void folderWriteProblem();
    void openDialogRemembersItsFolder();
    void dialogPlaceWithColonIsAFolder();
    void cancelledDialogsChangeNothing();
    void saveDialogAndFolderChooser();
    void systemDialogsKeepTheirOwnLook_data();
    void systemDialogsKeepTheirOwnLook();
    void listFolder();
    void missingStyleSheetIsEmpty();
    void scaleQss_data();
    void scaleQss();

private:
    QTemporaryDir m_dir;
    QList<FileDialogRequest> m_requests;
    QStringList m_answer;
    bool m_accept = true;
};

void TestCPublic::init()
{
    g_pIni = new QSettings(m_dir.filePath("setting.ini"), QSettings::IniFormat);
    g_pIni->clear();
    m_requests.clear();
    m_accept = true;
    CPublic::setFileDialogHook([this](FileDialogRequest& request) {
        m_requests << request;
        request.answer = m_answer;
        return m_accept;
    });
}

void TestCPublic::cleanup()
{
    CPublic::setFileDialogHook(nullptr);
    delete g_pIni;
    g_pIni = nullptr;
    g_dpi_percent = 1.0;
}

void TestCPublic::folders()
{
    const QString home = qEnvironmentVariable("HOME");
    QCOMPARE(CPublic::GetAppDatePath(), qEnvironmentVariable("XDG_DATA_HOME") + "/Veltrano Helper");
    QVERIFY(QFileInfo(CPublic::GetAppDatePath()).isDir());
    QCOMPARE(CPublic::GetCacheDataPath(), CPublic::GetAppDatePath() + "/CacheData");
    QCOMPARE(CPublic::GetSceneDataPath(), CPublic::GetAppDatePath() + "/CacheData/scene");
    QVERIFY(QFileInfo(CPublic::GetSceneDataPath()).isDir());
    QCOMPARE(QFileInfo(CPublic::GetResourcePath()).canonicalFilePath(),
             QFileInfo(ZD_TEST_RESOURCES_DIR).canonicalFilePath());
    QCOMPARE(CPublic::GetExePath(), QCoreApplication::applicationDirPath());
    QCOMPARE(CPublic::GetOBSPluginPath(),
             qEnvironmentVariable("XDG_CONFIG_HOME") + "/obs-studio/plugins");
    QVERIFY(QFileInfo(CPublic::GetOBSPluginPath()).isDir());
    QCOMPARE(CPublic::GetTempDir(), qEnvironmentVariable("TMPDIR"));
    QVERIFY(CPublic::GetMyVideoPath().startsWith(home));
    QVERIFY(QFileInfo(CPublic::GetMyVideoPath()).isDir());
    QCOMPARE(g_Public.ValidPathString("a/b c"), QStringLiteral("a/b c"));
}

void TestCPublic::dataFolderIsFixedAtFirstUse()
{
    const QString data = CPublic::GetAppDatePath();
    QVERIFY(QDir(data).removeRecursively());
    // The data folder is not made again by itself...
    QCOMPARE(CPublic::GetAppDatePath(), data);
    QVERIFY(!QFileInfo::exists(data));
    // ...but the cache and scene folders bring it back.
    QCOMPARE(CPublic::GetSceneDataPath(), data + "/CacheData/scene");
    QVERIFY(QFileInfo(data + "/CacheData/scene").isDir());
}

void TestCPublic::temporaryNamesAreUniqueAndPrivate()
{
    QSet<QString> names;
    for (int i = 0; i < 50; ++i) {
        const QString name = CPublic::GetTempFile("png");
        QVERIFY(!name.isEmpty());
        QVERIFY2(!names.contains(name), qPrintable(name));
        names.insert(name);
        QVERIFY(name.startsWith(CPublic::GetTempDir() + "/zd-tmp-"));
        QVERIFY(name.endsWith(".png"));
        // Reserved for this program: created, empty, readable by the user alone.
        struct stat st {
        };
        QVERIFY(::lstat(QFile::encodeName(name).constData(), &st) == 0);
        QVERIFY(S_ISREG(st.st_mode));
        QCOMPARE(int(st.st_mode & 0777), 0600);
        QCOMPARE(qint64(st.st_size), qint64(0));
    }
    // An extension cannot lead the name out of the temporary folder.
    const QString odd = CPublic::GetTempFile("/../../x");
    QCOMPARE(QFileInfo(odd).absolutePath(), CPublic::GetTempDir());
}

// Files that must not outlive the program lie in the data folder's "tmp",
// named after their process: a start removes those of processes that are
// gone and leaves those of running ones (another copy of the program) and
// every name that is not the program's.
void TestCPublic::programTempFilesAndLeftovers()
{
    const QString mine = CPublic::GetAppTempFile("bmp");
    const QString folder = CPublic::GetAppDatePath() + "/tmp";
    QCOMPARE(QFileInfo(mine).absolutePath(), folder);
    QVERIFY(QFileInfo(mine).fileName().startsWith(
        QString::number(QCoreApplication::applicationPid()) + "-"));
    QVERIFY(mine.endsWith(".bmp"));
    QCOMPARE(QFileInfo(mine).size(), 0);

    // A process that has ended.
    QProcess gone;
    gone.start("sleep", {"60"});
    QVERIFY(gone.waitForStarted());
    const qint64 gonePid = gone.processId();
    gone.kill();
    QVERIFY(gone.waitForFinished());
    const auto touch = [&](const QString& name) {
        QFile f(folder + "/" + name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(100, 'b'));
    };
    const QString goneFile = QString::number(gonePid) + "-Ab12Cd.bmp";
    const QString runningFile = QString::number(::getppid()) + "-Xy34Zw.bmp";
    touch(goneFile);
    touch(runningFile);
    touch("notes.txt");
    touch("-1.bmp");

    CPublic::RemoveTempLeftovers();
    QVERIFY(!QFileInfo::exists(folder + "/" + goneFile));
    QVERIFY(QFileInfo::exists(mine));
    QVERIFY(QFileInfo::exists(folder + "/" + runningFile));
    QVERIFY(QFileInfo::exists(folder + "/notes.txt"));
    QVERIFY(QFileInfo::exists(folder + "/-1.bmp"));
    QVERIFY(QDir(folder).removeRecursively());
}

void TestCPublic::folderWriteProblem_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("sub");
    QTest::addColumn<QString>("problem");
    QTest::newRow("existing folder") << "folder"
                                     << "data"
                                     << "";
    QTest::newRow("missing, made with its parents") << ""
                                                    << "a/b/data"
                                                    << "";
    QTest::newRow("a file in its place") << "file"
                                         << "data"
                                         << "/data is not a folder";
    QTest::newRow("a file as a parent") << "file"
                                        << "data/inner"
                                        << "/data is not a folder";
}

void TestCPublic::folderWriteProblem()
{
    QFETCH(QString, setup);
    QFETCH(QString, sub);
    QFETCH(QString, problem);
    QTemporaryDir dir;
    if (setup == "folder") {
        QVERIFY(QDir().mkpath(dir.filePath("data")));
    } else if (setup == "file") {
        QFile f(dir.filePath("data"));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    const QString folder = dir.filePath(sub);
    const QString answer = CPublic::FolderWriteProblem(folder);
    if (problem.isEmpty()) {
        QCOMPARE(answer, QString());
        QVERIFY(QFileInfo(folder).isDir());
        // The probe is gone again.
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
    } else {
        QCOMPARE(answer, dir.path() + problem);
    }
}

void TestCPublic::openDialogRemembersItsFolder()
{
    m_answer = {"/home/u/clips/a.mp4", "/other/b.mp4"};
    QStringList files{"untouched"};
    QVERIFY(CPublic::GetOpenFiles(files, true, "Media files(*.mp4)", "scene-movie", nullptr));
    QCOMPARE(files, m_answer);
    QCOMPARE(m_requests.size(), 1);
    const FileDialogRequest first = m_requests.first();
    QCOMPARE(first.kind, FileDialogRequest::OpenFiles);
    QCOMPARE(first.title, QStringLiteral("Open"));
    QCOMPARE(first.startDir, CPublic::GetMyVideoPath());
    QCOMPARE(first.filter, QStringLiteral("Media files(*.mp4)"));
    QVERIFY(first.several);
    QCOMPARE(AfxGetProfileString("OPENFILE", "scene-movie", ""), QStringLiteral("/home/u/clips"));

    // The next dialog of that caller starts there; another caller does not.
    m_answer = {"/pics/p.png"};
    QVERIFY(CPublic::GetOpenFiles(files, false, "", "scene-movie", nullptr));
    QCOMPARE(m_requests.last().startDir, QStringLiteral("/home/u/clips"));
    QVERIFY(!m_requests.last().several);
    QVERIFY(CPublic::GetOpenFiles(files, false, "", "scene-picture", nullptr));
    QCOMPARE(m_requests.last().startDir, CPublic::GetMyVideoPath());
    QCOMPARE(AfxGetProfileString("OPENFILE", "scene-picture", ""), QStringLiteral("/pics"));

    // A chosen path without a "/" past its first two characters is not remembered.
    m_answer = {"/a"};
    QVERIFY(CPublic::GetOpenFiles(files, false, "", "scene-movie", nullptr));
    QCOMPARE(AfxGetProfileString("OPENFILE", "scene-movie", ""), QStringLiteral("/pics"));
}

void TestCPublic::dialogPlaceWithColonIsAFolder()
{
    m_answer = {"/x/y/z.png"};
    QStringList files;
    QVERIFY(CPublic::GetOpenFiles(files, false, "", "/media/cam:1", nullptr));
    QCOMPARE(m_requests.last().startDir, QStringLiteral("/media/cam:1"));
    g_pIni->sync();
    QVERIFY(g_pIni->allKeys().isEmpty());
}

void TestCPublic::cancelledDialogsChangeNothing()
{
    m_accept = false;
    m_answer = {"/home/u/clips/a.mp4"};
    QStringList files{"untouched"};
    QString path = "untouched";
    QString folder = "untouched";
    QVERIFY(!CPublic::GetOpenFiles(files, false, "", "scene-movie", nullptr));
    QVERIFY(!CPublic::GetSaveFile(path, "", "RecordBar1", nullptr));
    QVERIFY(!CPublic::GetSaveDir(folder, "Select a folder", "/tmp", nullptr));
    QCOMPARE(files, QStringList{"untouched"});
    QCOMPARE(path, QStringLiteral("untouched"));
    QCOMPARE(folder, QStringLiteral("untouched"));
    QVERIFY(g_pIni->allKeys().isEmpty());
    // Accepted without a choice counts as cancelled too.
    m_accept = true;
    m_answer.clear();
    QVERIFY(!CPublic::GetSaveDir(folder, "Select a folder", "/tmp", nullptr));
    QCOMPARE(folder, QStringLiteral("untouched"));
}

void TestCPublic::saveDialogAndFolderChooser()
{
    m_answer = {"/videos/new/Vid1.mp4"};
    QString path;
    QVERIFY(CPublic::GetSaveFile(path, "MP4(*.mp4)", "RecordBar1", nullptr));
    QCOMPARE(path, QStringLiteral("/videos/new/Vid1.mp4"));
    QCOMPARE(m_requests.last().kind, FileDialogRequest::SaveFile);
    QCOMPARE(m_requests.last().title, QStringLiteral("Save"));
    QCOMPARE(AfxGetProfileString("SAVEFILE", "RecordBar1", ""), QStringLiteral("/videos/new"));
    QVERIFY(!g_pIni->contains("OPENFILE/RecordBar1"));

    // A bare name gets the filter's extension; one typed in another case
    // takes the extension's own; another extension is not the format's, so
    // it stays part of the name.
    const QList<QPair<QString, QString>> typed = {{"/videos/holiday", "/videos/holiday.ts"},
                                                  {"/videos/Trip.TS", "/videos/Trip.ts"},
                                                  {"/videos/a.mp4", "/videos/a.mp4.ts"}};
    for (const auto& [answer, saved] : typed) {
        m_answer = {answer};
        QVERIFY(CPublic::GetSaveFile(path, "Media files(*.ts)", "RecordBar1", nullptr));
        QCOMPARE(path, saved);
    }

    m_answer = {"/videos/other"};
    QString folder;
    QVERIFY(CPublic::GetSaveDir(folder, "Select a folder", "/videos", nullptr));
    QCOMPARE(folder, QStringLiteral("/videos/other"));
    QCOMPARE(m_requests.last().kind, FileDialogRequest::ChooseDir);
    QCOMPARE(m_requests.last().title, QStringLiteral("Select a folder"));
    QCOMPARE(m_requests.last().startDir, QStringLiteral("/videos"));
}

void TestCPublic::systemDialogsKeepTheirOwnLook_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("folder chooser") << "folder";
    QTest::newRow("file chooser") << "file";
    QTest::newRow("colour picker") << "colour";
}

// Opened from a window in the dark style, the file and folder choosers and
// the colour picker take none of it: every caption stays readable on their
// face, and they stay modal in front of that window, centred on it.
void TestCPublic::systemDialogsKeepTheirOwnLook()
{
    QFETCH(QString, kind);
    CPublic::setFileDialogHook(nullptr);
    QWidget owner;
    owner.setStyleSheet(QString::fromUtf8(CPublic::ReadQSSFile("popupwnd.qss")));
    owner.setGeometry(200, 150, 700, 500);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));

    QStringList unreadable;
    bool seen = false;
    bool parentless = false;
    bool modal = false;
    QWindow* inFrontOf = nullptr;
    QPoint offCentre;
    const auto inspect = [&](QDialog* d) {
        seen = true;
        parentless = !d->parentWidget();
        modal = d->isModal();
        inFrontOf = d->windowHandle() ? d->windowHandle()->transientParent() : nullptr;
        offCentre = d->frameGeometry().center() - owner.frameGeometry().center();
        const QColor face = d->palette().color(QPalette::Window);
        for (QLabel* label : d->findChildren<QLabel*>()) {
            if (!label->isVisible() || label->text().isEmpty())
                continue;
            const QColor text = label->palette().color(label->foregroundRole());
            const int contrast = qAbs(text.lightness() - face.lightness());
            if (contrast < 100)
                unreadable << QString("%1 (%2 on %3)").arg(label->text(), text.name(), face.name());
        }
        d->reject();
    };
    if (kind == "colour") {
        zdtest::whenModal<QColorDialog>(inspect);
        auto* swatch = new QMyColorPickButton(&owner);
        swatch->setGeometry(10, 10, 40, 20);
        swatch->show();
        QTest::mouseClick(swatch, Qt::LeftButton);
    } else if (kind == "folder") {
        zdtest::whenModal<QFileDialog>(inspect);
        QString folder;
        QVERIFY(!CPublic::GetSaveDir(folder, "Save dir", m_dir.path(), &owner));
    } else {
        zdtest::whenModal<QFileDialog>(inspect);
        QString file;
        QVERIFY(!CPublic::GetSaveFile(file, "Media files(*.mp4)", m_dir.path() + ":", &owner));
    }
    QVERIFY(seen);
    QVERIFY(parentless);
    QVERIFY(modal);
    QCOMPARE(inFrontOf, owner.windowHandle());
    QVERIFY2(qAbs(offCentre.x()) <= 4 && qAbs(offCentre.y()) <= 4,
             qPrintable(QString("%1,%2").arg(offCentre.x()).arg(offCentre.y())));
    QVERIFY2(unreadable.isEmpty(), qPrintable(unreadable.join("; ")));
}

void TestCPublic::listFolder()
{
    QTemporaryDir dir;
    for (const char* name : {"b.MP4", "a.mp4", "c.txt", ".hidden.mp4", "Dmp4"}) {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QVERIFY(QDir(dir.path()).mkdir("sub.mp4"));

    QStringList paths{"stale"};
    QStringList names{"stale"};
    QVERIFY(CPublic::EnumDirFiles(dir.path(), "", &paths, &names));
    QCOMPARE(names, (QStringList{"a.mp4", "b.MP4", "c.txt", "Dmp4"}));
    QCOMPARE(paths.first(), dir.filePath("a.mp4"));

    QVERIFY(CPublic::EnumDirFiles(dir.path(), ".mp4", &paths, nullptr));
    QCOMPARE(paths, (QStringList{dir.filePath("a.mp4"), dir.filePath("b.MP4")}));
    // Without the dot, the caller asked for any name ending in mp4.
    QVERIFY(CPublic::EnumDirFiles(dir.path(), "mp4", nullptr, &names));
    QCOMPARE(names, (QStringList{"a.mp4", "b.MP4", "Dmp4"}));

    QVERIFY(CPublic::EnumDirFiles(dir.filePath("missing"), "", &paths, &names));
    QVERIFY(paths.isEmpty());
    QVERIFY(names.isEmpty());
}

void TestCPublic::missingStyleSheetIsEmpty()
{
    QVERIFY(CPublic::ReadQSSFile("no-such-sheet.qss").isEmpty());
    QVERIFY(CPublic::ReadQSSFile("").isEmpty());
}

void TestCPublic::scaleQss_data()
{
    QTest::addColumn<double>("factor");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("border") << 1.5 << "border:2px solid"
                            << "border:3px solid";
    QTest::newRow("font after a blank") << 1.5 << "font: 13px"
                                        << "font: 19px";
    QTest::newRow("second px within 5 is passed over") << 1.5 << "margin:4px 4px"
                                                       << "margin:6px 4px";
    QTest::newRow("second px further on") << 1.5 << "margin:10px 10px"
                                          << "margin:15px 15px";
    QTest::newRow("every rule of a sheet")
        << 2.0 << "QWidget{font: 12px;}\nQPushButton{min-height:30px; border: 1px solid;}"
        << "QWidget{font: 24px;}\nQPushButton{min-height:60px; border: 2px solid;}";
    QTest::newRow("factor 1 rewrites in plain decimal") << 1.0 << "width: 007px"
                                                        << "width: 7px";
    QTest::newRow("no px") << 1.5 << "color: red;"
                           << "color: red;";
    QTest::newRow("px at position 0") << 1.5 << "px: 3px"
                                      << "px: 3px";
    QTest::newRow("not a number counts as 0") << 1.5 << "width:autopx"
                                              << "width:0px";
    QTest::newRow("empty number") << 1.5 << "width: px"
                                  << "width: 0px";
    QTest::newRow("number from position 1") << 2.0 << "a5px"
                                            << "a10px";
    QTest::newRow("first character never belongs to the number") << 2.0 << "5px"
                                                                 << "50px";
    QTest::newRow("truncated toward zero") << 1.5 << "a:-3px"
                                           << "a:-4px";
    QTest::newRow("huge number saturates") << 1000.0 << "a:2000000000px"
                                           << "a:2147483647px";
    QTest::newRow("empty") << 1.5 << ""
                           << "";
}

void TestCPublic::scaleQss()
{
    QFETCH(double, factor);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    g_dpi_percent = factor;
    QCOMPARE(CPublic::scale_qss(text), expected);
}

ZD_TEST_MAIN(TestCPublic, QApplication)
#include "tst_cpublic.moc"
