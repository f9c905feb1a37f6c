#include <QDateTime>
#include <QFile>
#include <QImage>
#include <QtTest>

#include "qmyfileshelper.h"
#include "zdtestmain.h"

namespace
{

FILE_ITEM makeItem(const QByteArray& path, uint32_t idTime, uint32_t idTick)
{
    FILE_ITEM item;
    memset(&item, 0, sizeof(item));
    const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
    memcpy(item.name, name.constData(), qMin<qsizetype>(name.size(), 128));
    memcpy(item.path, path.constData(), qMin<qsizetype>(path.size(), 256));
    memcpy(item.info, "00:00:05,1920x1080,30fps,1.00MB", 31);
    item.addedTime = 0x65000000;
    item.idTime = idTime;
    item.idTick = idTick;
    memcpy(item.reserved, "keepthis", 8);
    return item;
}

QByteArray raw(const FILE_ITEM& item)
{
    return QByteArray(reinterpret_cast<const char*>(&item), sizeof(item));
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QString touch(const QString& name)
{
    const QString path = QDir::temp().absoluteFilePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("x");
    return path;
}

QString picture(const QString& name, int w, int h)
{
    const QString path = QDir::temp().absoluteFilePath(name);
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.save(path);
    return path;
}

} // namespace

class TestQMyFilesHelper : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QString path;
        {
            QMyFilesHelper probe;
            path = probe.listFilePath;
        }
        QFile::remove(path);
        QDir(path).removeRecursively();
    }

    void guidTextIsFourDigitWordsAtLeast()
    {
        const uint32_t a[2] = {0x65000000u, 0x1234u};
        QCOMPARE(GetGUIDString(a), QString("650000001234"));
        const uint32_t b[2] = {0x5u, 0xABCDEF01u};
        QCOMPARE(GetGUIDString(b), QString("0005abcdef01"));
        FILE_ITEM item = makeItem("/x/y.mp4", 0x65000000u, 0x1234u);
        QVERIFY(getFileItemThumbPicture(&item).endsWith("/Thumbs/650000001234.png"));
    }

    void isVideo_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<bool>("video");
        QTest::newRow("mp4") << QByteArray("/m/a.mp4") << true;
        QTest::newRow("ts") << QByteArray("/m/a.ts") << true;
        QTest::newRow("mov") << QByteArray("/m/a.mov") << true;
        QTest::newRow("upper MP4") << QByteArray("/m/a.MP4") << false;
        QTest::newRow("xmp4") << QByteArray("/m/axmp4") << true;
        QTest::newRow("png") << QByteArray("/m/a.png") << false;
        QTest::newRow("short") << QByteArray("mp4") << false;
        QTest::newRow("full field") << QByteArray(253, 'p') + "mp4" << true;
    }

    void isVideo()
    {
        QFETCH(QByteArray, path);
        QFETCH(bool, video);
        const FILE_ITEM item = makeItem(path, 1, 2);
        QCOMPARE(QMyFilesHelper::IsVideoItem(&item), video);
    }

    void roundTripIsByteExact()
    {
        const QString a = touch("a.mp4");
        const QString b = touch("b.png");
        FILE_ITEM full = makeItem(b.toUtf8(), 3, 4);
        memset(full.name, 'n', sizeof(full.name)); // a full field has no terminator
        memset(full.info, 'i', sizeof(full.info));
        const QByteArray bytes = raw(makeItem(a.toUtf8(), 1, 2)) + raw(full);
        QMyFilesHelper list;
        writeFile(list.listFilePath, bytes);
        QVERIFY(list.LoadAllFiles());
        QCOMPARE(list.files.size(), 2);
        QCOMPARE(FileItemText(list.files.at(1)->name, 128), QString(128, 'n'));
        QVERIFY(list.SaveAllFiles());
        QCOMPARE(readFile(list.listFilePath), bytes);
    }

    void trailingPieceIsIgnoredAndGoneFilesDropped()
    {
        const QString kept = touch("kept.ts");
        QMyFilesHelper list;
        const FILE_ITEM gone = makeItem("/nowhere/gone.png", 9, 9);
        const QString goneThumb = getFileItemThumbPicture(&gone);
        writeFile(goneThumb, "png");
        // 1000 bytes: two records and 72 bytes more.
        writeFile(list.listFilePath,
                  raw(makeItem(kept.toUtf8(), 1, 1)) + raw(gone) + QByteArray(72, '\x7F'));
        QVERIFY(list.LoadAllFiles());
        QCOMPARE(list.files.size(), 1);
        QVERIFY(!QFile::exists(goneThumb));
        QCOMPARE(readFile(list.listFilePath).size(), 1000); // left for the next save
    }

    void missingListIsEmptyAndWrittenAtExit()
    {
        QString path;
        {
            QMyFilesHelper list;
            path = list.listFilePath;
            QVERIFY(!list.LoadAllFiles());
            QVERIFY(list.files.isEmpty());
            QVERIFY(QFileInfo(list.thumbsPath).isDir());
        }
        QVERIFY(QFile::exists(path));
        QCOMPARE(readFile(path).size(), 0);
    }

    void unreadableListSurvivesExit()
    {
        QString path;
        {
            QMyFilesHelper list;
            path = list.listFilePath;
            QVERIFY(QDir().mkpath(path)); // exists, cannot be read as a file
            QVERIFY(!list.LoadAllFiles());
        }
        QVERIFY(QFileInfo(path).isDir());
    }

    void addFileFillsTheEntry()
    {
        const QString video = touch("clip.mp4");
        const QString still = picture("thumbsource.bmp", 1920, 1080);
        QMyFilesHelper list;
        const qint64 before = QDateTime::currentSecsSinceEpoch();
        FILE_ITEM* item = list.AddFile(video, "00:00:01,640x480,30fps,1KB", still);
        QVERIFY(item);
        QCOMPARE(FileItemText(item->name, 128), QString("clip.mp4"));
        QCOMPARE(FileItemPath(item), video);
        QCOMPARE(FileItemText(item->info, 60), QString("00:00:01,640x480,30fps,1KB"));
        QVERIFY(qint64(item->idTime) >= before);
        QCOMPARE(uint32_t(item->addedTime), item->idTime);
        QCOMPARE(QByteArray(reinterpret_cast<char*>(item->reserved), 8), QByteArray(8, '\0'));
        const QImage thumb(getFileItemThumbPicture(item));
        QCOMPARE(thumb.size(), QSize(160, 90));
        QCOMPARE(readFile(list.listFilePath), raw(*item));
    }

    void addFileThumbnailRules()
    {
        QMyFilesHelper list;
        // A video whose thumbnail source is missing gets no thumbnail.
        FILE_ITEM* video = list.AddFile(touch("v.mov"), "", "/nowhere/x.bmp");
        QVERIFY(!QFile::exists(getFileItemThumbPicture(video)));
        // Upper-case MP4 is not a video: its thumbnail comes from the file.
        FILE_ITEM* upper = list.AddFile(touch("V.MP4"), "", "");
        QCOMPARE(QImage(getFileItemThumbPicture(upper)).size(), QSize(160, 90));
        // A picture is its own source.
        FILE_ITEM* pic = list.AddFile(picture("p.png", 1080, 1920), "", "");
        const QImage thumb(getFileItemThumbPicture(pic));
        QCOMPARE(thumb.size(), QSize(160, 90));
        QCOMPARE(thumb.pixelColor(80, 45), QColor(Qt::white));
        QCOMPARE(thumb.pixelColor(5, 45), QColor(Qt::black));
    }

    void entriesAddedTogetherNeverShareAThumbnail()
    {
        QMyFilesHelper list;
        QSet<QString> thumbs;
        for (int i = 0; i < 20; ++i)
            thumbs.insert(getFileItemThumbPicture(list.AddFile(touch("same.gif"), "", "")));
        QCOMPARE(thumbs.size(), 20);
    }

    void pathWithoutSlashAndLongTexts()
    {
        QMyFilesHelper list;
        const QString bare(300, QChar('b'));
        FILE_ITEM* item = list.AddFile(bare, QString(100, 'i'), "");
        QCOMPARE(FileItemText(item->name, 128), QString(128, 'b'));
        QCOMPARE(FileItemPath(item), QString(256, 'b'));
        QCOMPARE(FileItemText(item->info, 60), QString(60, 'i'));
    }

    void deleteRemovesFileThumbnailAndRecord()
    {
        QMyFilesHelper list;
        const QString path = picture("del.png", 32, 32);
        FILE_ITEM* item = list.AddFile(path, "", "");
        const QString thumb = getFileItemThumbPicture(item);
        QVERIFY(QFile::exists(thumb));
        list.DeleteItem(item);
        QVERIFY(list.files.isEmpty());
        QVERIFY(!QFile::exists(path));
        QVERIFY(!QFile::exists(thumb));
        QCOMPARE(readFile(list.listFilePath).size(), 0);

        // A pointer that is not in the list still rewrites the file.
        FILE_ITEM stranger = makeItem("/x", 1, 1);
        QFile::remove(list.listFilePath);
        list.DeleteItem(&stranger);
        QVERIFY(QFile::exists(list.listFilePath));
    }
};

ZD_TEST_MAIN(TestQMyFilesHelper, QApplication)
#include "tst_qmyfileshelper.moc"
