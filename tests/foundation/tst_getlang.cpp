// Translated texts: the key of an id, the markers, when the language file is
// read again, and the list of languages.
#include "zdtestmain.h"

#include "qmylang.h"
#include "stdafx.h"

#include <QFile>
#include <QTemporaryDir>

class TestGetLang : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void lookup_data();
    void lookup();
    void markers_data();
    void markers();
    void fileIsReadAgainOnlyWhenTheSettingChanges();
    void noLanguageFileGivesTheDefault();
    void languageList();
    void emptyLanguageFolder();
    void defaultLanguage();

private:
    QString writeLang(const QString& name, const QByteArray& contents);
    QTemporaryDir m_dir;
};

QString TestGetLang::writeLang(const QString& name, const QByteArray& contents)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    file.write(contents);
    return path;
}

void TestGetLang::init()
{
    g_Global.langFile = writeLang("Test.txt", "[STRING]\n"
                                              "L0001=OK translated\n"
                                              "L0023=Kein Signal\n"
                                              "L13003=five digits\n"
                                              "L-001=minus one\n"
                                              "L0100=A #v1# and #v2# and #v3#^next line\n"
                                              "L0101=twice #v1# #v1#^\n"
                                              "L0102=empty in file\n"
                                              "L0103=\n");
}

void TestGetLang::cleanup()
{
    g_Global.langFile.clear();
    getLang(0, QString()); // lets go of the file
}

void TestGetLang::lookup_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("def");
    QTest::addColumn<QString>("expected");
    QTest::newRow("four digits") << 1 << "OK"
                                 << "OK translated";
    QTest::newRow("zero padded") << 23 << ""
                                 << "Kein Signal";
    QTest::newRow("five digits") << 13003 << "x"
                                 << "five digits";
    QTest::newRow("english-only id -1") << -1 << "x"
                                        << "minus one";
    QTest::newRow("missing id gives the default") << 2 << "Cancel"
                                                  << "Cancel";
    QTest::newRow("missing id, empty default") << 24 << ""
                                               << "";
    QTest::newRow("empty text in the file wins") << 103 << "default"
                                                 << "";
}

void TestGetLang::lookup()
{
    QFETCH(int, id);
    QFETCH(QString, def);
    QFETCH(QString, expected);
    QCOMPARE(getLang(static_cast<unsigned int>(id), def), expected);
}

void TestGetLang::markers_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("def");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QString>("expected");

    QTest::newRow("three values and a line break")
        << 100 << "" << QStringList{"1", "2", "3"} << "A 1 and 2 and 3\nnext line";
    QTest::newRow("same marker twice, trailing break")
        << 101 << "" << QStringList{"x", "", ""} << "twice x x\n";
    QTest::newRow("markers without values are removed")
        << 100 << "" << QStringList{"", "", ""} << "A  and  and \nnext line";
    QTest::newRow("default text gets its values too")
        << 9999 << "install done.#v1#" << QStringList{" ok", "", ""} << "install done. ok";
    QTest::newRow("a value is not scanned by its own pass")
        << 9999 << "#v1#" << QStringList{"#v1#", "", ""} << "#v1#";
    QTest::newRow("a later pass sees markers a value brought")
        << 9999 << "#v1#" << QStringList{"#v2#^#v3#", "two", "three"} << "two\nthree";
    QTest::newRow("an earlier marker in a later value stays")
        << 9999 << "#v2#" << QStringList{"one", "#v1#", ""} << "#v1#";
    QTest::newRow("percent signs are plain text")
        << 9999 << "100% of #v1#" << QStringList{"%s%n", "", ""} << "100% of %s%n";
}

void TestGetLang::markers()
{
    QFETCH(int, id);
    QFETCH(QString, def);
    QFETCH(QStringList, values);
    QFETCH(QString, expected);
    QCOMPARE(getLang(static_cast<unsigned int>(id), def, values[0], values[1], values[2]),
             expected);
}

void TestGetLang::fileIsReadAgainOnlyWhenTheSettingChanges()
{
    QCOMPARE(getLang(1, "OK"), QStringLiteral("OK translated"));
    // Changing the file under the same setting changes nothing.
    writeLang("Test.txt", "[STRING]\nL0001=changed\n");
    QCOMPARE(getLang(1, "OK"), QStringLiteral("OK translated"));
    // Another file is read at the next lookup.
    g_Global.langFile = writeLang("Other.txt", "[STRING]\nL0001=other\n");
    QCOMPARE(getLang(1, "OK"), QStringLiteral("other"));
    // Back to the first path: read again, now with its new contents.
    g_Global.langFile = m_dir.filePath("Test.txt");
    QCOMPARE(getLang(1, "OK"), QStringLiteral("changed"));
}

void TestGetLang::noLanguageFileGivesTheDefault()
{
    g_Global.langFile.clear();
    QCOMPARE(getLang(1, "OK"), QStringLiteral("OK"));
    g_Global.langFile = m_dir.filePath("Missing.txt");
    QCOMPARE(getLang(1, "OK #v1#", "x"), QStringLiteral("OK x"));
}

void TestGetLang::languageList()
{
    QTemporaryDir folder;
    for (const char* name : {"English.txt", "Deutsch.txt", "a.txt", "b.tx", ".hidden.txt"}) {
        QFile file(folder.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY(QDir().mkdir(folder.filePath("Folder.txt")));
    QMyLang lang;
    lang.EnumLangFiles(folder.path());
    QCOMPARE(lang.names(), (QStringList{"a", "Deutsch", "English"}));
    QCOMPARE(lang.paths(), (QStringList{folder.filePath("a.txt"), folder.filePath("Deutsch.txt"),
                                        folder.filePath("English.txt")}));
    QCOMPARE(lang.getLangPath("Deutsch"), folder.filePath("Deutsch.txt"));
    QCOMPARE(lang.getLangPath("deutsch"), QString());

    // The program's own list holds the shipped English file.
    QMyLang shipped;
    QVERIFY(shipped.names().contains("English"));
    QCOMPARE(QFileInfo(shipped.getLangPath("English")).canonicalFilePath(),
             QFileInfo(ZD_TEST_RESOURCES_DIR "/lang/English.txt").canonicalFilePath());
}

void TestGetLang::emptyLanguageFolder()
{
    QMyLang lang;
    lang.EnumLangFiles("/nonexistent/lang");
    QVERIFY(lang.names().isEmpty());
    QVERIFY(lang.paths().isEmpty());
}

void TestGetLang::defaultLanguage()
{
    QString path = "unchanged";
    const QString name = QMyLang::getDefaultName(path);
    QVERIFY(name == "English" || name == "Simplified Chinese");
    QCOMPARE(QFileInfo(path).fileName(), name + ".txt");
    QCOMPARE(QFileInfo(QFileInfo(path).path()).canonicalFilePath(),
             QFileInfo(ZD_TEST_RESOURCES_DIR "/lang").canonicalFilePath());
    QCOMPARE(QMyLang::getFontName(path), QStringLiteral("SF Mono"));
}

ZD_TEST_MAIN(TestGetLang, QCoreApplication)
#include "tst_getlang.moc"
