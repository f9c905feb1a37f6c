// ZD_UnZip: a good archive unpacks whole, with its folders, contents and
// executable bits; an archive with any entry that would land outside the
// target folder, a link or a device, or damaged data is refused before
// anything is written; links already in the target are never followed.
#include "zdtestmain.h"
#include "zdzipbuilder.h"

#include "enginetestsupport.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <memory>
#include <sys/stat.h>

using zdtest::ZipBuilder;
using zdtest::ZipItem;

Q_DECLARE_METATYPE(ZipBuilder)

namespace
{

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every path below folder, relative, sorted.
QStringList tree(const QString& folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << QDir(folder).relativeFilePath(it.next());
    found.sort();
    return found;
}

int unzip(const QString& zip, const QString& folder)
{
    return ZD_UnZip(QFile::encodeName(zip).constData(), QFile::encodeName(folder).constData());
}

} // namespace

class TestEngineUnzip : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void goodArchiveUnpacks();
    void unpackingAgainReplacesFiles();
    void refusedEntries_data();
    void refusedEntries();
    void damagedArchives_data();
    void damagedArchives();
    void linksInTheTargetAreNotFollowed();
    void missingOrOddArguments();
    void endRecordFoundPastAComment();
    void oddEntriesLandAsPlainFilesInside();

private:
    std::unique_ptr<QTemporaryDir> work;
    QString zipPath;
    QString target;
    QString outside;
};

void TestEngineUnzip::init()
{
    work = std::make_unique<QTemporaryDir>(QDir::homePath() + "/unzip-XXXXXX");
    QVERIFY(work->isValid());
    zipPath = work->filePath("archive.zip");
    // target and outside are siblings, so "../outside/x" is the classic escape.
    target = work->filePath("plugins");
    outside = work->filePath("outside");
    QVERIFY(QDir().mkpath(target));
    QVERIFY(QDir().mkpath(outside));
}

void TestEngineUnzip::goodArchiveUnpacks()
{
    QByteArray binary(300 * 1024, '\0');
    QRandomGenerator rng(7);
    for (char& c : binary)
        c = char(rng.bounded(256));
    const QByteArray text = QByteArray("module text ").repeated(2000);

    ZipBuilder zip;
    zip.addDir("veltranobox.plugin");
    zip.add("veltranobox.plugin/bin/64bit/veltranobox.so", binary, true);
    zip.add("veltranobox.plugin/data/locale/en-US.ini", text, false);
    zip.add("veltranobox.plugin/data/empty.txt", QByteArray(), false);
    zip.add("./veltranobox.plugin//data/./doubled.txt", "d", true);
    ZipItem tool;
    tool.name = "veltranobox.plugin/bin/tool";
    tool.data = "#!/bin/true\n";
    tool.unixMode = 0100755;
    zip.add(tool);
    ZipItem dos;
    dos.name = "readme.txt";
    dos.data = "dos entry";
    dos.unixMode = 0;
    zip.add(dos);
    zip.addDir("__MACOSX/veltranobox.plugin");
    QVERIFY(zip.write(zipPath));

    ZDT_ClearTrace();
    QCOMPARE(unzip(zipPath, target), zip.items.size());
    QVERIFY(engineTrace().contains("ZD_UnZip(zip=" + zipPath + ",folder=" + target + ")"));

    const QString root = target + "/veltranobox.plugin";
    QCOMPARE(readAll(root + "/bin/64bit/veltranobox.so"), binary);
    QCOMPARE(readAll(root + "/data/locale/en-US.ini"), text);
    QVERIFY(QFileInfo(root + "/data/empty.txt").isFile());
    QCOMPARE(QFileInfo(root + "/data/empty.txt").size(), 0);
    QCOMPARE(readAll(root + "/data/doubled.txt"), QByteArray("d"));
    QCOMPARE(readAll(target + "/readme.txt"), QByteArray("dos entry"));
    QVERIFY(QFileInfo(target + "/__MACOSX/veltranobox.plugin").isDir());
    QVERIFY(QFileInfo(root + "/bin/tool").permissions() & QFileDevice::ExeOwner);
    QVERIFY(!(QFileInfo(root + "/data/locale/en-US.ini").permissions() & QFileDevice::ExeOwner));
    // No part file is left behind.
    for (const QString& path : tree(target))
        QVERIFY2(!path.contains(".zd-unzip-"), qPrintable(path));
    QVERIFY(tree(outside).isEmpty());
}

void TestEngineUnzip::unpackingAgainReplacesFiles()
{
    QVERIFY(ZipBuilder().add("p/a.txt", "first").write(zipPath));
    QCOMPARE(unzip(zipPath, target), 1);
    QVERIFY(ZipBuilder().add("p/a.txt", "second, longer").write(zipPath));
    QCOMPARE(unzip(zipPath, target), 1);
    QCOMPARE(readAll(target + "/p/a.txt"), QByteArray("second, longer"));
    QCOMPARE(tree(target), QStringList({"p", "p/a.txt"}));
}

void TestEngineUnzip::refusedEntries_data()
{
    QTest::addColumn<ZipBuilder>("zip");
    auto row = [](const char* name, const ZipBuilder& bad) {
        // A harmless entry first: a refused archive writes not even that.
        ZipBuilder zip;
        zip.add("good/first.txt", "fine");
        for (const ZipItem& item : bad.items)
            zip.add(item);
        QTest::newRow(name) << zip;
    };
    row("parent escape", ZipBuilder().add("../outside/evil", "x"));
    row("escape after a folder", ZipBuilder().add("good/../../outside/evil", "x"));
    row("dot-dot in the middle that stays inside", ZipBuilder().add("good/../evil", "x"));
    row("only dot-dot", ZipBuilder().add("..", "x"));
    row("dot-dot folder", ZipBuilder().addDir("../outside/dir"));
    row("absolute path", ZipBuilder().add(QFile::encodeName(QDir::homePath()) + "/evil", "x"));
    row("root", ZipBuilder().addDir("/"));
    row("drive letter", ZipBuilder().add("C:/evil", "x"));
    row("backslashes", ZipBuilder().add("..\\outside\\evil", "x"));
    row("empty name", ZipBuilder().add("", "x"));
    row("symlink entry", ZipBuilder().addSymlink("good/link", "/etc"));
    row("symlink then write through it",
        ZipBuilder().addSymlink("good/link", "../../outside").add("good/link/evil", "x"));
    ZipItem device;
    device.name = "good/dev";
    device.unixMode = 020644;
    row("character device", ZipBuilder().add(device));
    row("file given twice", ZipBuilder().add("good/first.txt", "second copy"));
    row("file then folder of the same name", ZipBuilder().add("good/a", "x").add("good/a/b", "y"));
    row("folder then file of the same name", ZipBuilder().addDir("good/d").add("good/d", "y"));
}

void TestEngineUnzip::refusedEntries()
{
    QFETCH(ZipBuilder, zip);
    QVERIFY(zip.write(zipPath));
    QVERIFY(unzip(zipPath, target) < 0);
    QCOMPARE(tree(target), QStringList());
    QCOMPARE(tree(outside), QStringList());
    QVERIFY(!QFileInfo::exists(work->filePath("evil")));
}

void TestEngineUnzip::damagedArchives_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray text = QByteArray("some text to compress ").repeated(50);
    auto withItem = [&](void (*change)(ZipItem&)) {
        ZipItem item;
        item.name = "good/file.txt";
        item.data = text;
        change(item);
        return ZipBuilder().add("good/first.txt", "fine").add(item).bytes();
    };
    QTest::newRow("wrong CRC") << withItem([](ZipItem& i) { i.wrongCrc = true; });
    QTest::newRow("declared size larger") << withItem([](ZipItem& i) { i.declaredSize = 5000; });
    QTest::newRow("declared size smaller") << withItem([](ZipItem& i) { i.declaredSize = 10; });
    QTest::newRow("stored with a wrong size")
        << withItem([](ZipItem& i) { i.deflate = false, i.declaredSize = 20; });
    QTest::newRow("size beyond any deflate ratio")
        << withItem([](ZipItem& i) { i.declaredSize = 200 * 1024 * 1024; });
    QTest::newRow("encrypted") << withItem([](ZipItem& i) { i.flags = 1; });
    QTest::newRow("bzip2") << withItem([](ZipItem& i) { i.method = 12; });

    const QByteArray good = ZipBuilder().add("good/file.txt", text).bytes();
    QTest::newRow("not a zip") << QByteArray("this is plain text, not an archive at all");
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("cut in the data") << good.left(good.size() / 2) + good.right(22);
    QTest::newRow("end record only, pointing past itself") << good.right(22);
    QTest::newRow("cut end record") << good.left(good.size() - 3);
    QByteArray deflateHole = good;
    deflateHole[50] = char(deflateHole[50] ^ 0x55);
    QTest::newRow("flipped deflate byte") << deflateHole;
    // The central directory no longer holds what the end record points at.
    QByteArray brokenCentral = good;
    brokenCentral[good.indexOf(QByteArray("PK\x01\x02", 4)) + 3] = 9;
    QTest::newRow("central record broken") << brokenCentral;
    QByteArray movedCentral = good;
    movedCentral[good.size() - 22 + 16] = char(movedCentral[good.size() - 22 + 16] + 1);
    QTest::newRow("central directory misplaced") << movedCentral;
}

void TestEngineUnzip::damagedArchives()
{
    QFETCH(QByteArray, bytes);
    QFile file(zipPath);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    QVERIFY(unzip(zipPath, target) < 0);
    QCOMPARE(tree(target), QStringList());
}

void TestEngineUnzip::linksInTheTargetAreNotFollowed()
{
    // A link where the archive wants a folder: the write through it fails.
    QVERIFY(QFile::link(outside, target + "/plug"));
    QVERIFY(ZipBuilder().add("plug/evil", "x").write(zipPath));
    QVERIFY(unzip(zipPath, target) < 0);
    QCOMPARE(tree(outside), QStringList());

    // A link where the archive wants a file: the link itself is replaced.
    QFile victim(outside + "/victim.txt");
    QVERIFY(victim.open(QIODevice::WriteOnly));
    victim.write("keep me");
    victim.close();
    QVERIFY(QFile::link(outside + "/victim.txt", target + "/file.txt"));
    QVERIFY(ZipBuilder().add("file.txt", "new").write(zipPath));
    QCOMPARE(unzip(zipPath, target), 1);
    QCOMPARE(readAll(outside + "/victim.txt"), QByteArray("keep me"));
    QVERIFY(!QFileInfo(target + "/file.txt").isSymLink());
    QCOMPARE(readAll(target + "/file.txt"), QByteArray("new"));
}

void TestEngineUnzip::missingOrOddArguments()
{
    QVERIFY(unzip(work->filePath("missing.zip"), target) < 0);
    QVERIFY(unzip(work->path(), target) < 0); // a folder, not a file
    QVERIFY(ZD_UnZip(nullptr, "/tmp") < 0);
    QVERIFY(ZD_UnZip(QFile::encodeName(zipPath).constData(), nullptr) < 0);
    QVERIFY(ZD_UnZip("", "") < 0);

    // An archive without entries installs nothing: refused, no folder made.
    QVERIFY(ZipBuilder().write(zipPath));
    const QString fresh = work->filePath("a/b/c");
    QVERIFY(unzip(zipPath, fresh) < 0);
    QVERIFY(!QFileInfo::exists(work->filePath("a")));
    // A missing target folder is made.
    QVERIFY(ZipBuilder().add("x.txt", "x").write(zipPath));
    QCOMPARE(unzip(zipPath, fresh), 1);
    QVERIFY(QFileInfo(fresh + "/x.txt").isFile());
}

void TestEngineUnzip::endRecordFoundPastAComment()
{
    // An ordinary comment is no obstacle; one that itself holds the end
    // signature hides the real end record from the central-directory reader,
    // so that archive is refused whole.
    ZipBuilder zip;
    zip.add("a.txt", "content");
    zip.comment = "built for the plug-in";
    QVERIFY(zip.write(zipPath));
    QCOMPARE(unzip(zipPath, target), 1);
    QCOMPARE(readAll(target + "/a.txt"), QByteArray("content"));

    QVERIFY(QFile::remove(target + "/a.txt"));
    zip.comment = QByteArray("PK\x05\x06", 4) + " fake end record inside the comment";
    QVERIFY(zip.write(zipPath));
    QVERIFY(unzip(zipPath, target) < 0);
    QCOMPARE(tree(target), QStringList());
}

void TestEngineUnzip::oddEntriesLandAsPlainFilesInside()
{
    // The reader ends a name at a NUL byte, and the name checked is the
    // name written: what follows the NUL reaches no path. A FIFO entry is
    // read as a plain file and written as one; nothing but plain files and
    // folders is ever made.
    ZipItem fifo;
    fifo.name = "good/fifo";
    fifo.unixMode = 010644;
    QVERIFY(ZipBuilder()
                .add("good/first.txt", "fine")
                .add(QByteArray("good/a\0../../evil", 17), "x")
                .add(fifo)
                .write(zipPath));
    QVERIFY(unzip(zipPath, target) >= 0);
    QCOMPARE(tree(target), QStringList({"good", "good/a", "good/fifo", "good/first.txt"}));
    QCOMPARE(readAll(target + "/good/a"), QByteArray("x"));
    QVERIFY(QFileInfo(target + "/good/fifo").isFile());
    struct stat info;
    QCOMPARE(::lstat(QFile::encodeName(target + "/good/fifo").constData(), &info), 0);
    QVERIFY(S_ISREG(info.st_mode));
    QCOMPARE(tree(outside), QStringList());
    QVERIFY(!QFileInfo::exists(work->filePath("evil")));
}

ZD_TEST_MAIN(TestEngineUnzip, QCoreApplication)
#include "tst_engineunzip.moc"
