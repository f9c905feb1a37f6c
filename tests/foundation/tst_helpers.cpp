// The common helpers whose exact results other windows rely on, and the file
// helpers that must never lose a user's file.
#include "zdtestmain.h"

#include "stdafx.h"

#include <QDateTime>
#include <QDesktopServices>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QUrl>

#include <cstring>

class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

class TestHelpers : public QObject
{
    Q_OBJECT

private slots:
    void findFromBack_data();
    void findFromBack();
    void replace();
    void splitPathName_data();
    void splitPathName();
    void sizeString_data();
    void sizeString();
    void rectText();
    void boundedCopy_data();
    void boundedCopy();
    void tickCount();
    void safeFilePath();
    void savePathProbeLeavesUserFilesAlone();
    void savePathProbeOfNewAndBadPaths();
    void volumeTest();
    void moveFile();
    void deleteFolders();
    void deleteFoldersLeavesParents();
    void deleteTreeDoesNotFollowLinks();
    void existenceAndSize();
    void showFolderWithoutShell_data();
    void showFolderWithoutShell();
    void fixedCommandOutput();
    void thumbnail_data();
    void thumbnail();
    void aspectRect_data();
    void aspectRect();
    void liveCanvasSize();

private:
    static void touch(const QString& path, const QByteArray& contents = QByteArray());
};

void TestHelpers::touch(const QString& path, const QByteArray& contents)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(contents);
}

void TestHelpers::findFromBack_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("part");
    QTest::addColumn<int>("expected");
    QTest::newRow("only at 0") << "/x"
                               << "/" << -1;
    QTest::newRow("at 2") << "/a/b"
                          << "/" << 2;
    QTest::newRow("at 2, none before") << "ab/c"
                                       << "/" << 2;
    QTest::newRow("at 1 is not reported") << "a/bc"
                                          << "/" << -1;
    QTest::newRow("last of several") << "/a/b/c.mp4"
                                     << "/" << 4;
    QTest::newRow("longer part") << "x.tar.gz.gz"
                                 << ".gz" << 8;
    QTest::newRow("none") << "abc"
                          << "/" << -1;
    QTest::newRow("empty part") << "abc"
                                << "" << -1;
}

void TestHelpers::findFromBack()
{
    QFETCH(QString, text);
    QFETCH(QString, part);
    QFETCH(int, expected);
    QCOMPARE(QStingFindFromBack(text, part), expected);
}

void TestHelpers::replace()
{
    QString text = "a-b-c";
    QStringRelpace(text, "-", "--");
    QCOMPARE(text, QStringLiteral("a--b--c"));
    QStringRelpace(text, "", "x");
    QCOMPARE(text, QStringLiteral("a--b--c"));
    QStringRelpace(text, "B", "x");
    QCOMPARE(text, QStringLiteral("a--b--c"));
}

void TestHelpers::splitPathName_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::newRow("absolute") << "/Users/u/Movies/a.mp4"
                              << "/Users/u/Movies"
                              << "a.mp4";
    QTest::newRow("no folder") << "a.mp4"
                               << "a.mp4"
                               << "";
    QTest::newRow("backslash") << "C:\\v\\a.mp4"
                               << "C:\\v"
                               << "a.mp4";
    QTest::newRow("mixed, last wins") << "/a\\b/c"
                                      << "/a\\b"
                                      << "c";
    QTest::newRow("separator at 0 only") << "/a.mp4"
                                         << "/a.mp4"
                                         << "";
}

void TestHelpers::splitPathName()
{
    QFETCH(QString, path);
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QString gotFolder = "x";
    QString gotName = "x";
    QStringSplitPathName(path, gotFolder, gotName);
    QCOMPARE(gotFolder, folder);
    QCOMPARE(gotName, name);
}

void TestHelpers::sizeString_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::newRow("1024") << qint64(1024) << "1024";
    QTest::newRow("1025") << qint64(1025) << "1.00KB";
    QTest::newRow("1 MiB") << qint64(1048576) << "1024.00KB";
    QTest::newRow("1 MiB + 1") << qint64(1048577) << "1.00MB";
    QTest::newRow("1 GiB") << qint64(1073741824) << "1024.00MB";
    QTest::newRow("1 GiB + 1") << qint64(1073741825) << "1.00GB";
    QTest::newRow("5 GiB") << qint64(5368709120LL) << "5.00GB";
    QTest::newRow("zero") << qint64(0) << "0";
    QTest::newRow("negative") << qint64(-5) << "-5";
}

void TestHelpers::sizeString()
{
    QFETCH(qint64, bytes);
    QFETCH(QString, expected);
    // Never a decimal comma, whatever the user's locale.
    QLocale::setDefault(QLocale(QLocale::German));
    QCOMPARE(getSizeString(bytes), expected);
    QLocale::setDefault(QLocale::c());
}

void TestHelpers::rectText()
{
    QCOMPARE(RECT2STR(QRect(10, 20, 640, 480)), QStringLiteral("x=10,y=20,w=640,h=480"));
}

void TestHelpers::boundedCopy_data()
{
    QTest::addColumn<int>("sourceLength");
    QTest::addColumn<bool>("copied");
    QTest::newRow("255 into 256") << 255 << true;
    QTest::newRow("256 into 256") << 256 << false;
    QTest::newRow("1000 into 256") << 1000 << false;
    QTest::newRow("empty") << 0 << true;
}

void TestHelpers::boundedCopy()
{
    QFETCH(int, sourceLength);
    QFETCH(bool, copied);
    const std::string source(static_cast<size_t>(sourceLength), 'x');
    char buffer[256 + 1];
    std::memset(buffer, 'g', sizeof buffer);
    strcpy_s(buffer, 256, source.c_str());
    QCOMPARE(buffer[256], 'g'); // never past the field
    if (copied) {
        QCOMPARE(std::string(buffer), source);
    } else {
        for (int i = 0; i < 256; ++i)
            QCOMPARE(buffer[i], '\0');
    }
    // No room at all, or no field: nothing written.
    strcpy_s(buffer, 0, "abc");
    strcpy_s(nullptr, 10, "abc");
    strcpy_s(buffer, 8, nullptr);
    QCOMPARE(buffer[0], '\0');
}

void TestHelpers::tickCount()
{
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    const int tick = getTickCount();
    const qint64 after = QDateTime::currentMSecsSinceEpoch();
    // The low 32 bits of the milliseconds since 1970, as a signed number; the
    // unsigned differences stay right across its wrap.
    QVERIFY(quint32(tick) - quint32(before) <= quint32(after - before));
}

void TestHelpers::safeFilePath()
{
    QTemporaryDir dir;
    const QString video = dir.filePath("Vid20220910120000.mp4");
    QCOMPARE(getSafeFilePath(video), video);
    touch(video);
    QCOMPARE(getSafeFilePath(video), dir.filePath("Vid20220910120000_2.mp4"));
    touch(dir.filePath("Vid20220910120000_2.mp4"));
    QCOMPARE(getSafeFilePath(video), dir.filePath("Vid20220910120000_3.mp4"));
    // A dot in a folder name and none in the file name: the number goes there.
    QVERIFY(QDir(dir.path()).mkdir("v.d"));
    touch(dir.filePath("v.d/noext"));
    QCOMPARE(getSafeFilePath(dir.filePath("v.d/noext")), dir.filePath("v_2.d/noext"));
    QCOMPARE(getSafeFilePath(""), QString());
}

void TestHelpers::savePathProbeLeavesUserFilesAlone()
{
    QTemporaryDir dir;
    // The user's own file named "a" must survive the probe of its folder.
    touch(dir.filePath("a"), "precious");
    QVERIFY(IsSavePathValid(dir.path()));
    QFile a(dir.filePath("a"));
    QVERIFY(a.open(QIODevice::ReadOnly));
    QCOMPARE(a.readAll(), QByteArray("precious"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
             QStringList{"a"});

    // An existing file counts as valid and is not touched.
    const QString file = dir.filePath("Vid.mp4");
    touch(file, "recording");
    QVERIFY(IsSavePathValid(file));
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("recording"));
}

void TestHelpers::savePathProbeOfNewAndBadPaths()
{
    QTemporaryDir dir;
    const QString fresh = dir.filePath("Live-20220910.flv");
    QVERIFY(IsSavePathValid(fresh));
    QVERIFY(!QFileInfo::exists(fresh));
    QVERIFY(!IsSavePathValid(dir.filePath("missing/folder/x.mp4")));
    QVERIFY(!IsSavePathValid(""));
    // A dangling link in the way is not written through.
    const QString target = dir.filePath("elsewhere");
    QVERIFY(QFile::link(target, dir.filePath("link.mp4")));
    QVERIFY(!IsSavePathValid(dir.filePath("link.mp4")));
    QVERIFY(!QFileInfo::exists(target));
    // A file where a folder should be.
    touch(dir.filePath("plain"));
    QVERIFY(!IsSavePathValid(dir.filePath("plain/x.mp4")));
}

void TestHelpers::volumeTest()
{
    QTemporaryDir dir;
    QVERIFY(DirverIsNTFS(dir.path()));
    QVERIFY(DirverIsNTFS(dir.filePath("not-yet.mp4")));
    QVERIFY(DirverIsNTFS(""));
    QVERIFY(DirverIsNTFS("C:/Videos"));
    QVERIFY(_GetDiskFreeSpace(dir.path()) > 0);
}

void TestHelpers::moveFile()
{
    QTemporaryDir dir;
    const QString source = dir.filePath("part.mp4");
    const QString target = dir.filePath("final.mp4");
    touch(source, "data");
    touch(target, "other");
    // An existing target: nothing moves and nothing is lost.
    QVERIFY(!MoveFile(source, target));
    QVERIFY(QFileInfo::exists(source));
    QVERIFY(QFile::remove(target));
    QVERIFY(MoveFile(source, target));
    QVERIFY(!QFileInfo::exists(source));
    QFile f(target);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("data"));
    QVERIFY(!MoveFile(dir.filePath("missing"), dir.filePath("x")));
}

void TestHelpers::deleteFolders()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("a/b");
    QVERIFY(QDir().mkpath(folder + "/sub"));
    touch(folder + "/f1");
    touch(folder + "/.hidden");
    // DelDir removes visible files only, and then the folder once it is empty.
    QVERIFY(DelDir(folder));
    QVERIFY(!QFileInfo::exists(folder + "/f1"));
    QVERIFY(QFileInfo::exists(folder + "/.hidden"));
    QVERIFY(!DelDir(""));

    const QString tree = dir.filePath("tree");
    QVERIFY(QDir().mkpath(tree + "/x/y"));
    touch(tree + "/x/y/f");
    touch(tree + "/g");
    QVERIFY(DeleteDirIncludeSub(tree));
    QVERIFY(!QFileInfo::exists(tree));
    QVERIFY(!DeleteDirIncludeSub(tree));
    QVERIFY(!DeleteDirIncludeSub(""));
    touch(dir.filePath("file"));
    QVERIFY(!DeleteDirIncludeSub(dir.filePath("file")));
    QVERIFY(QFileInfo::exists(dir.filePath("file")));
    // Hidden files keep their folder.
    QVERIFY(QDir().mkpath(tree));
    touch(tree + "/.keep");
    QVERIFY(DeleteDirIncludeSub(tree));
    QVERIFY(QFileInfo::exists(tree + "/.keep"));
}

// Removing a folder leaves the folders above it, even those it leaves empty:
// clearing the data folder must not take ~/.local/share and ~/.local along.
void TestHelpers::deleteFoldersLeavesParents()
{
    QTemporaryDir dir;
    const QString parent = dir.filePath("local/share");
    QVERIFY(QDir().mkpath(parent + "/Veltrano Helper/CacheData"));
    touch(parent + "/Veltrano Helper/setting.ini");
    QVERIFY(DelDir(parent + "/Veltrano Helper/CacheData"));
    QVERIFY(!QFileInfo::exists(parent + "/Veltrano Helper/CacheData"));
    QVERIFY(DelDir(parent + "/Veltrano Helper"));
    QVERIFY(!QFileInfo::exists(parent + "/Veltrano Helper"));
    QVERIFY(QFileInfo(parent).isDir());

    QVERIFY(QDir().mkpath(parent + "/Veltrano Helper/Thumbs"));
    touch(parent + "/Veltrano Helper/Thumbs/a.png");
    QVERIFY(DeleteDirIncludeSub(parent + "/Veltrano Helper"));
    QVERIFY(!QFileInfo::exists(parent + "/Veltrano Helper"));
    QVERIFY(QFileInfo(parent).isDir());
    QVERIFY(QFileInfo(dir.filePath("local")).isDir());
}

void TestHelpers::deleteTreeDoesNotFollowLinks()
{
    QTemporaryDir dir;
    const QString outside = dir.filePath("outside");
    QVERIFY(QDir().mkpath(outside));
    touch(outside + "/user-video.mp4", "keep me");
    const QString data = dir.filePath("data");
    QVERIFY(QDir().mkpath(data + "/CacheData"));
    touch(data + "/CacheData/x.filter");
    QVERIFY(QFile::link(outside, data + "/CacheData/linked"));
    QVERIFY(QFile::link(outside + "/user-video.mp4", data + "/video-link.mp4"));

    QVERIFY(DeleteDirIncludeSub(data));
    QVERIFY(!QFileInfo::exists(data));
    QFile f(outside + "/user-video.mp4");
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("keep me"));

    // Handed a link to a folder, only the link goes.
    QVERIFY(QFile::link(outside, dir.filePath("top-link")));
    QVERIFY(DeleteDirIncludeSub(dir.filePath("top-link")));
    QVERIFY(!QFileInfo(dir.filePath("top-link")).isSymLink());
    QVERIFY(QFileInfo::exists(outside + "/user-video.mp4"));
}

void TestHelpers::existenceAndSize()
{
    QTemporaryDir dir;
    touch(dir.filePath("f"), "12345");
    QVERIFY(IsFileExisted(dir.filePath("f")));
    QVERIFY(IsFileExisted(dir.path()));
    QVERIFY(!IsFileExisted(""));
    QVERIFY(!IsFileExisted(dir.filePath("none")));
    QVERIFY(IsDirExisted(dir.path()));
    QVERIFY(!IsDirExisted(dir.filePath("f")));
    QVERIFY(!IsDirExisted(""));
    QCOMPARE(GetFileSize(dir.filePath("f")), int64_t(5));
    QCOMPARE(GetFileSize(dir.filePath("none")), int64_t(0));
    QCOMPARE(GetFileSize(""), int64_t(0));
    QVERIFY(DelFile(dir.filePath("f")));
    QVERIFY(!DelFile(dir.filePath("f")));
    QVERIFY(!DelFile(""));
}

void TestHelpers::showFolderWithoutShell_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("folder");
    QTest::newRow("plain") << "/home/u/Videos/Vid1.mp4"
                           << "/home/u/Videos";
    // Characters a shell would act on reach the desktop as a plain path.
    QTest::newRow("shell characters") << "/tmp/a \"b\" $(touch x) `id`;'c'/v.mp4"
                                      << "/tmp/a \"b\" $(touch x) `id`;'c'";
    QTest::newRow("no folder") << "v.mp4"
                               << "v.mp4";
}

void TestHelpers::showFolderWithoutShell()
{
    QFETCH(QString, file);
    QFETCH(QString, folder);
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "open");
    LocalOutfile(file);
    QDesktopServices::unsetUrlHandler("file");
    QCOMPARE(catcher.urls.size(), 1);
    QCOMPARE(catcher.urls.first().toLocalFile(), folder);
}

void TestHelpers::fixedCommandOutput()
{
    QCOMPARE(getSystemCallResult("printf", {"first\\nsecond\\n"}), QStringLiteral("first\n"));
    QCOMPARE(getSystemCallResult("true", {}), QString());
    QCOMPARE(getSystemCallResult("no-such-program-here", {}), QString());
    // Each argument reaches the program as it is: no shell expands or splits it.
    const QString odd = QStringLiteral("$HOME `id` a;b \"q\" *");
    QCOMPARE(getSystemCallResult("printf", {"%s|%s", odd, "two"}), odd + "|two");
    // The first line is cut at 1023 bytes.
    QCOMPARE(getSystemCallResult("printf", {"%s", QString(3000, 'x')}).size(), 1023);
}

void TestHelpers::thumbnail_data()
{
    QTest::addColumn<QSize>("source");
    QTest::addColumn<QRect>("picture"); // where the source lands in 160 x 90
    QTest::newRow("16:9 fills it") << QSize(1920, 1080) << QRect(0, 0, 160, 90);
    QTest::newRow("portrait is centred") << QSize(1080, 1920) << QRect(55, 0, 50, 90);
    QTest::newRow("wide is centred vertically") << QSize(1600, 400) << QRect(0, 25, 160, 40);
    QTest::newRow("missing source is black") << QSize() << QRect();
}

void TestHelpers::thumbnail()
{
    QFETCH(QSize, source);
    QFETCH(QRect, picture);
    QTemporaryDir dir;
    const QString src = dir.filePath("src.png");
    if (source.isValid()) {
        QImage white(source, QImage::Format_RGB32);
        white.fill(Qt::white);
        QVERIFY(white.save(src, "PNG"));
    }
    const QString target = dir.filePath("thumb.png");
    QVERIFY(CreateThumbPict(src, target, 160, 90));
    QImage thumb(target, "PNG");
    QCOMPARE(thumb.size(), QSize(160, 90));
    // Sample inside and outside the picture, away from its smoothed edges.
    for (int y = 1; y < 90; y += 4) {
        for (int x = 1; x < 160; x += 4) {
            const QRect inner = picture.adjusted(1, 1, -1, -1);
            const QRect outer = picture.adjusted(-1, -1, 1, 1);
            const QRgb px = thumb.pixel(x, y);
            if (inner.contains(x, y))
                QVERIFY2(qGray(px) > 200, qPrintable(QString("%1,%2").arg(x).arg(y)));
            else if (!outer.contains(x, y))
                QVERIFY2(qGray(px) < 30, qPrintable(QString("%1,%2").arg(x).arg(y)));
        }
    }
    QVERIFY(!CreateThumbPict(src, dir.filePath("missing/thumb.png"), 160, 90));
}

void TestHelpers::aspectRect_data()
{
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<double>("aspect");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("4:3 in 16:9") << QRect(0, 0, 1920, 1080) << 4.0 / 3.0
                                 << QRect(240, 0, 1440, 1080);
    QTest::newRow("16:9 in itself")
        << QRect(0, 0, 1920, 1080) << 16.0 / 9.0 << QRect(0, 0, 1920, 1080);
    QTest::newRow("wide in square, offset")
        << QRect(10, 20, 100, 100) << 2.0 << QRect(10, 45, 100, 50);
    QTest::newRow("ratio 0 is 1") << QRect(0, 0, 200, 100) << 0.0 << QRect(50, 0, 100, 100);
    QTest::newRow("empty rectangle unchanged") << QRect(5, 5, 0, 0) << 1.0 << QRect(5, 5, 0, 0);
    QTest::newRow("negative ratio unchanged") << QRect(0, 0, 10, 10) << -1.0 << QRect(0, 0, 10, 10);
}

void TestHelpers::aspectRect()
{
    QFETCH(QRect, rect);
    QFETCH(double, aspect);
    QFETCH(QRect, expected);
    QCOMPARE(GetNewRectByAspecrate(rect, aspect), expected);
}

void TestHelpers::liveCanvasSize()
{
    g_Global.liveWidth = 1920;
    g_Global.liveHeight = 1080;
    g_Global.liveFps = 30;
    g_Global.liveBaseWidth = 1280;
    g_Global.liveBaseHeight = 0;
    g_Global.liveBaseFps = 60;
    int w = 0, h = 0, fps = 0;
    GetLiveBaseWidthHeightFps(w, h, fps);
    QCOMPARE(w, 1280);
    QCOMPARE(h, 1080);
    QCOMPARE(fps, 60);
}

ZD_TEST_MAIN(TestHelpers, QGuiApplication)
#include "tst_helpers.moc"
