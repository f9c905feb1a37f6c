// The program's stored files (files.dat, rtmpserver, the schedule files, the
// .filter files, thumbnails, setting.ini) on a full disk, as something other
// than a regular file, and as links: a save either reaches the file whole or
// keeps the old one and says so; a load takes regular files of bounded size
// only; a save never replaces a file outside the application-data folder.
#include "zdfilesizelimit.h"
#include "zdtestmain.h"

#include "cpublic.h"
#include "filteritem.h"
#include "liveserveraddresshelper.h"
#include "msgboxdialog.h"
#include "qmyfileshelper.h"
#include "qmyfilters.h"
#include "qmysettingsfile.h"
#include "qmystoredfile.h"
#include "qmytimerhelper.h"
#include "stdafx.h"
#include "vazURIdav.h"

#include <QImage>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

enum class Store { FilesList, Servers, Schedule, Filters, Thumbnail, Settings };

QString appData()
{
    return CPublic::GetAppDatePath();
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size() && file.flush();
}

// A file of the videos folder that the files list may hold.
QString recording(const QString& name)
{
    const QString path = QDir::temp().absoluteFilePath(name);
    writeBytes(path, "video");
    return path;
}

QString picture(const QString& name, Qt::GlobalColor color)
{
    const QString path = QDir::temp().absoluteFilePath(name);
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(color);
    image.save(path, "PNG");
    return path;
}

QString storePath(Store store)
{
    switch (store) {
    case Store::FilesList:
        return appData() + "/files.dat";
    case Store::Servers:
        return QLiveServerAddressHelper::filePath();
    case Store::Schedule:
        return QMyTimerHelper(nullptr, "RecordTimer").filePath();
    case Store::Filters:
        return QMyFilters("Test Camera").filePath();
    case Store::Thumbnail:
        QDir().mkpath(appData() + "/Thumbs");
        return appData() + "/Thumbs/test.png";
    case Store::Settings:
        return appData() + "/setting.ini";
    }
    return QString();
}

// Changes the store by one entry (the version-th) and saves it the way the
// program does; whether the program took the save as done.
bool changeAndSave(Store store, int version)
{
    const QString tag = QString::number(version);
    switch (store) {
    case Store::FilesList: {
        // The list tells the user about a failed save instead of returning it.
        bool told = false;
        MsgBoxDialog::setTestHook([&told](const QString& text, int kind) {
            told = kind == MSGBOX_ERROR && text.contains("files list");
            return 1;
        });
        QMyFilesHelper list;
        list.LoadAllFiles();
        list.AddFile(recording("clip" + tag + ".mp4"), "info", QString());
        MsgBoxDialog::setTestHook({});
        return !told;
    }
    case Store::Servers: {
        QLiveServerAddressHelper servers;
        servers.Add("server" + tag, "rtmp://127.0.0.1/live", "key" + tag, true, QString());
        return servers.Save();
    }
    case Store::Schedule: {
        QMyTimerHelper schedules(nullptr, "RecordTimer");
        schedules.loadSchedules();
        schedules.addNewSchedule();
        return schedules.saveSchedules();
    }
    case Store::Filters: {
        QMyFilters chain("Test Camera");
        chain.loadDeviceFilters();
        FILTERITEM item;
        InitFilterDataDefault(&item);
        item.id = uint32_t(100 + version);
        chain.filterList.append(item);
        return chain.saveDeviceFilters();
    }
    case Store::Thumbnail:
        return CreateThumbPict(picture("source" + tag + ".png", version % 2 ? Qt::red : Qt::blue),
                               storePath(store), 160, 90);
    case Store::Settings: {
        g_pIni = QMySettingsFile::Open(storePath(store));
        AfxWriteProfileString("TEST", "value", tag);
        const bool saved = SaveSetupConfig();
        delete g_pIni;
        g_pIni = nullptr;
        return saved;
    }
    }
    return false;
}

// Loads the store as start-up does; whether it holds nothing but defaults.
bool loadsEmpty(Store store)
{
    switch (store) {
    case Store::FilesList: {
        QMyFilesHelper list;
        list.LoadAllFiles();
        return list.files.isEmpty();
    }
    case Store::Servers:
        return QLiveServerAddressHelper().servers.isEmpty();
    case Store::Schedule: {
        QMyTimerHelper schedules(nullptr, "RecordTimer");
        schedules.loadSchedules();
        return schedules.schedules.isEmpty();
    }
    case Store::Filters: {
        QMyFilters chain("Test Camera");
        chain.loadDeviceFilters();
        return chain.filterList.isEmpty();
    }
    case Store::Thumbnail:
        return true;
    case Store::Settings: {
        g_pIni = QMySettingsFile::Open(storePath(store));
        ReadSetupConfig();
        const bool empty = g_pIni->allKeys().isEmpty() && g_Global.recBitrate == 10485760;
        delete g_pIni;
        g_pIni = nullptr;
        return empty;
    }
    }
    return false;
}

void addStoreRows(bool withThumbnail)
{
    QTest::newRow("files.dat") << Store::FilesList;
    QTest::newRow("rtmpserver") << Store::Servers;
    QTest::newRow("RecordTimer.dat") << Store::Schedule;
    QTest::newRow(".filter") << Store::Filters;
    // A thumbnail is written wherever its caller says.
    if (withThumbnail)
        QTest::newRow("thumbnail") << Store::Thumbnail;
    QTest::newRow("setting.ini") << Store::Settings;
}

// A small tmpfs over the application-data folder, filled up to its last
// byte by fill().
class FullTmpfs
{
public:
    FullTmpfs()
    {
        m_mounted = ::mount("tmpfs", QFile::encodeName(appData()).constData(), "tmpfs", 0,
                            "size=256k,mode=0700") == 0;
    }
    ~FullTmpfs()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(appData()).constData(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }
    void fill()
    {
        QFile filler(appData() + "/filler");
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return;
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size()) {
        }
        const QByteArray byte(1, 'f');
        while (filler.write(byte) == 1) {
        }
    }

private:
    bool m_mounted = false;
};

} // namespace

class TestQMyStoredFile : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void fullDiskKeepsOldFile_data() { storeRows(); }
    void fullDiskKeepsOldFile();
    void fullTmpfsKeepsOldFile_data() { storeRows(); }
    void fullTmpfsKeepsOldFile();
    void unsavedEntryStaysInFilesList();

    void specialFileIsRefused_data();
    void specialFileIsRefused();
    void readerTakesRegularFilesWhole();

    void saveTarget_data();
    void saveTarget();
    void linkedStoreLeavesOutsideFile_data()
    {
        QTest::addColumn<Store>("store");
        addStoreRows(false);
    }
    void linkedStoreLeavesOutsideFile();

    void settingsWithFormatErrorSaveCleanly();

private:
    static void storeRows()
    {
        QTest::addColumn<Store>("store");
        addStoreRows(true);
    }
    static void removeStores();

    void* m_engine = nullptr;
    QString m_outside;
};

void TestQMyStoredFile::initTestCase()
{
    const QByteArray data = appData().toLocal8Bit();
    const QByteArray exe = CPublic::GetExePath().toLocal8Bit();
    const QByteArray res = CPublic::GetResourcePath().toLocal8Bit();
    ZD_Initalize(&m_engine, data.constData(), exe.constData(), res.constData(),
                 APP_NAME.toLocal8Bit().constData(), APP_VERSION.toLocal8Bit().constData());
    g_Global.hCore = m_engine;
    m_outside = zdtest::sandbox().filePath("outside");
    QDir().mkpath(m_outside);
}

void TestQMyStoredFile::cleanupTestCase()
{
    g_Global.hCore = nullptr;
    ZD_Release(&m_engine);
}

void TestQMyStoredFile::removeStores()
{
    for (Store store : {Store::FilesList, Store::Servers, Store::Schedule, Store::Filters,
                        Store::Thumbnail, Store::Settings}) {
        const QString path = storePath(store);
        if (QFileInfo(path).isDir() && !QFileInfo(path).isSymLink())
            QDir(path).removeRecursively();
        else
            QFile::remove(path);
    }
}

void TestQMyStoredFile::init()
{
    removeStores();
}

void TestQMyStoredFile::fullDiskKeepsOldFile()
{
    QFETCH(Store, store);
    QVERIFY(changeAndSave(store, 1));
    const QByteArray old = readBytes(storePath(store));
    QVERIFY(!old.isEmpty());
    {
        zdtest::FileSizeLimit full;
        QVERIFY(full.active());
        QVERIFY2(!changeAndSave(store, 2), "a save on a full disk was taken as done");
    }
    QCOMPARE(readBytes(storePath(store)), old);
    // Nothing of the failed save is left beside the file.
    const QStringList names = QFileInfo(storePath(store)).dir().entryList(QDir::Files);
    for (const QString& name : names)
        QVERIFY2(!name.startsWith(QFileInfo(storePath(store)).fileName() + "."), qPrintable(name));
}

void TestQMyStoredFile::fullTmpfsKeepsOldFile()
{
    QFETCH(Store, store);
    FullTmpfs disk;
    if (!disk.mounted())
        QSKIP("no tmpfs can be mounted here; the file size limit stands in for it");
    QVERIFY(changeAndSave(store, 1));
    const QByteArray old = readBytes(storePath(store));
    QVERIFY(!old.isEmpty());
    disk.fill();
    QVERIFY2(!changeAndSave(store, 2), "a save on a full disk was taken as done");
    QCOMPARE(readBytes(storePath(store)), old);
}

void TestQMyStoredFile::unsavedEntryStaysInFilesList()
{
    MsgBoxDialog::setTestHook([](const QString&, int) { return 1; });
    QMyFilesHelper list;
    list.LoadAllFiles();
    list.AddFile(recording("kept1.mp4"), "info", QString());
    {
        zdtest::FileSizeLimit full;
        list.AddFile(recording("kept2.mp4"), "info", QString());
        // The files manager reloads the list when it opens.
        list.LoadAllFiles();
        QCOMPARE(list.files.size(), 2);
    }
    // Once the disk takes it again, the entry reaches files.dat.
    QVERIFY(list.LoadAllFiles());
    QCOMPARE(list.files.size(), 2);
    QCOMPARE(readBytes(list.listFilePath).size(), qsizetype(2 * sizeof(FILE_ITEM)));
    MsgBoxDialog::setTestHook({});
}

void TestQMyStoredFile::specialFileIsRefused_data()
{
    QTest::addColumn<Store>("store");
    QTest::addColumn<QString>("kind");
    const QList<std::pair<const char*, Store>> stores = {
        {"files.dat", Store::FilesList},      {"rtmpserver", Store::Servers},
        {"RecordTimer.dat", Store::Schedule}, {".filter", Store::Filters},
        {"setting.ini", Store::Settings},
    };
    for (const auto& [name, store] : stores) {
        for (const char* kind : {"link to /dev/zero", "fifo", "directory", "oversized"})
            QTest::newRow(qPrintable(QString("%1 as %2").arg(name, kind))) << store << kind;
    }
}

void TestQMyStoredFile::specialFileIsRefused()
{
    QFETCH(Store, store);
    QFETCH(QString, kind);
    const QString path = storePath(store);
    if (kind == "link to /dev/zero") {
        QVERIFY(QFile::link("/dev/zero", path));
    } else if (kind == "fifo") {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == "directory") {
        QVERIFY(QDir().mkpath(path));
    } else {
        // Sparse: huge on paper, nothing on the disk.
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(QMyFilesHelper::kMaxListBytes + 1024 * 1024));
    }
    const QFileInfo before(path);
    QVERIFY(loadsEmpty(store));
    // Still there as it was: a refused file is not replaced by the empty
    // store.
    const QFileInfo after(path);
    QCOMPARE(after.isSymLink(), before.isSymLink());
    QCOMPARE(after.isDir(), before.isDir());
    QCOMPARE(after.size(), before.size());
}

void TestQMyStoredFile::readerTakesRegularFilesWhole()
{
    // More than one piece of the reader, and exactly its bound.
    const QString path = appData() + "/pieces";
    QByteArray bytes(200 * 1024 + 7, '\0');
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7);
    QVERIFY(writeBytes(path, bytes));
    QByteArray read;
    QCOMPARE(QMyStoredFile::Read(path, bytes.size(), read), QMyStoredFile::ReadResult::Ok);
    QCOMPARE(read, bytes);
    QCOMPARE(QMyStoredFile::Read(path, bytes.size() - 1, read), QMyStoredFile::ReadResult::Refused);
    QVERIFY(read.isEmpty());
    QCOMPARE(QMyStoredFile::Read(appData() + "/none", 10, read),
             QMyStoredFile::ReadResult::Missing);
    QFile::remove(path);
}

void TestQMyStoredFile::saveTarget_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("new file inside") << "new" << true;
    QTest::newRow("regular file inside") << "file" << true;
    QTest::newRow("link to a file inside") << "link inside" << true;
    QTest::newRow("link to a file outside") << "link outside" << false;
    QTest::newRow("link to /dev/zero") << "link zero" << false;
    QTest::newRow("link to nothing") << "dangling" << false;
    QTest::newRow("fifo") << "fifo" << false;
    QTest::newRow("directory") << "dir" << false;
    QTest::newRow("new file in a linked folder outside") << "folder outside" << false;
}

void TestQMyStoredFile::saveTarget()
{
    QFETCH(QString, setup);
    QFETCH(bool, allowed);
    QString path = appData() + "/target";
    QFile::remove(path);
    QDir(path).removeRecursively();
    QFile::remove(appData() + "/linked");
    const QString inside = appData() + "/inside";
    const QString outside = m_outside + "/file";
    QVERIFY(writeBytes(inside, "inside"));
    QVERIFY(writeBytes(outside, "outside"));
    if (setup == "file")
        QVERIFY(writeBytes(path, "old"));
    else if (setup == "link inside")
        QVERIFY(QFile::link(inside, path));
    else if (setup == "link outside")
        QVERIFY(QFile::link(outside, path));
    else if (setup == "link zero")
        QVERIFY(QFile::link("/dev/zero", path));
    else if (setup == "dangling")
        QVERIFY(QFile::link(m_outside + "/not-there", path));
    else if (setup == "fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (setup == "dir")
        QVERIFY(QDir().mkpath(path));
    else if (setup == "folder outside") {
        QVERIFY(QFile::link(m_outside, appData() + "/linked"));
        path = appData() + "/linked/new";
    }
    QString why;
    QCOMPARE(QMyStoredFile::IsSaveTargetInside(path, appData(), &why), allowed);
    QCOMPARE(why.isEmpty(), allowed);
    if (setup == "link zero")
        return; // never written to, whatever the answer
    QCOMPARE(QMyStoredFile::Save(path, "saved"), allowed);
    QCOMPARE(readBytes(outside), QByteArray("outside"));
    if (setup == "link inside")
        QCOMPARE(readBytes(inside), QByteArray("saved"));
    if (setup == "folder outside")
        QVERIFY(!QFileInfo::exists(m_outside + "/new"));
    if (setup == "dangling")
        QVERIFY(!QFileInfo::exists(m_outside + "/not-there"));
}

void TestQMyStoredFile::linkedStoreLeavesOutsideFile()
{
    QFETCH(Store, store);
    // The store's own file, moved outside the folder and linked back.
    QVERIFY(changeAndSave(store, 1));
    const QString outside = m_outside + "/" + QFileInfo(storePath(store)).fileName();
    QFile::remove(outside);
    QVERIFY(QFile::rename(storePath(store), outside));
    QVERIFY(QFile::link(outside, storePath(store)));
    const QByteArray old = readBytes(outside);
    QVERIFY(!changeAndSave(store, 2));
    QCOMPARE(readBytes(outside), old);
    QVERIFY(QFileInfo(storePath(store)).isSymLink());
}

void TestQMyStoredFile::settingsWithFormatErrorSaveCleanly()
{
    const QString path = storePath(Store::Settings);
    // A section header without its "]" is a format error to QSettings; the
    // rest is read.
    QVERIFY(writeBytes(path, "[RECORD]\nbitrate=777\n[PICTURE]\next=jpg\n[broken\n"));
    g_pIni = QMySettingsFile::Open(path);
    QCOMPARE(g_pIni->status(), QSettings::FormatError);
    ReadSetupConfig();
    QCOMPARE(g_Global.recBitrate, 777);
    QCOMPARE(g_Global.picExt, QString("jpg"));
    QVERIFY(SaveSetupConfig());
    g_Global.gifFps = 12;
    QVERIFY2(SaveSetupConfig(), "a later save was judged by the load's error");
    delete g_pIni;
    g_pIni = nullptr;

    const QSettings written(path, QSettings::IniFormat);
    QCOMPARE(written.status(), QSettings::NoError);
    QCOMPARE(written.value("RECORD/bitrate").toInt(), 777);
    QCOMPARE(written.value("PICTURE/ext").toString(), QString("jpg"));
    QCOMPARE(written.value("PICTURE/gif-fps").toInt(), 12);
}

ZD_TEST_MAIN(TestQMyStoredFile, QApplication)
#include "tst_qmystoredfile.moc"
