// The language-file reader: which lines become keys, which are skipped, and
// which section a lookup sees.
#include "zdtestmain.h"

#include "qmyinifile.h"

#include <QFile>
#include <QTemporaryDir>

class TestQMyIniFile : public QObject
{
    Q_OBJECT

private slots:
    void lookup_data();
    void lookup();
    void repeatedSectionsKeepTheFirst();
    void unreadableFiles_data();
    void unreadableFiles();
    void rereadReplacesEverything();
};

void TestQMyIniFile::lookup_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected"); // "<default>" when the lookup misses

    QTest::newRow("plain") << QByteArray("[STRING]\nL0001=OK\n") << "STRING"
                           << "L0001"
                           << "OK";
    QTest::newRow("later duplicate wins")
        << QByteArray("[STRING]\nL0001=first\nL0001=second\n") << "STRING"
        << "L0001"
        << "second";
    QTest::newRow("further = belong to the value")
        << QByteArray("[STRING]\nL0002=a=b=c\n") << "STRING"
        << "L0002"
        << "a=b=c";
    QTest::newRow("empty value is a value") << QByteArray("[STRING]\nL0003=\n") << "STRING"
                                            << "L0003"
                                            << "";
    QTest::newRow("line starting with = ignored")
        << QByteArray("[STRING]\n=L0004\nL0004=x\n") << "STRING"
        << "L0004"
        << "x";
    QTest::newRow("line without = ignored") << QByteArray("[STRING]\nL0005\n") << "STRING"
                                            << "L0005"
                                            << "<default>";
    QTest::newRow("single character line ignored")
        << QByteArray("[STRING]\nL\nL0006=y\n") << "STRING"
        << "L"
        << "<default>";
    QTest::newRow("blank before = is part of the key")
        << QByteArray("[STRING]\nL0007 =z\n") << "STRING"
        << "L0007"
        << "<default>";
    QTest::newRow("blank before = found with the blank")
        << QByteArray("[STRING]\nL0007 = z \n") << "STRING"
        << "L0007 "
        << " z ";
    QTest::newRow("section without closing bracket loses a character")
        << QByteArray("[STRING\nL0008=x\n") << "STRING"
        << "L0008"
        << "<default>";
    QTest::newRow("...and is named by what is left") << QByteArray("[STRING\nL0008=x\n") << "STRIN"
                                                     << "L0008"
                                                     << "x";
    QTest::newRow("keys before the first section ignored")
        << QByteArray("L0009=early\n[STRING]\n") << "STRING"
        << "L0009"
        << "<default>";
    QTest::newRow("semicolon comment") << QByteArray("[STRING]\n;L0010=commented\n") << "STRING"
                                       << ";L0010"
                                       << "<default>";
    QTest::newRow("CRLF like LF") << QByteArray("[STRING]\r\nL0011=crlf\r\n") << "STRING"
                                  << "L0011"
                                  << "crlf";
    QTest::newRow("only one CR removed") << QByteArray("[STRING]\nL0012=v\r\r\n") << "STRING"
                                         << "L0012"
                                         << "v\r";
    QTest::newRow("no final line feed") << QByteArray("[STRING]\nL0013=last") << "STRING"
                                        << "L0013"
                                        << "last";
    QTest::newRow("UTF-8 text") << QByteArray("[STRING]\nL0014=Grüße ✓\n") << "STRING"
                                << "L0014"
                                << "Grüße ✓";
    QTest::newRow("section names are case-sensitive")
        << QByteArray("[string]\nL0015=x\n") << "STRING"
        << "L0015"
        << "<default>";
    QTest::newRow("keys are case-sensitive") << QByteArray("[STRING]\nl0016=x\n") << "STRING"
                                             << "L0016"
                                             << "<default>";
    QTest::newRow("negative id key") << QByteArray("[STRING]\nL-001=english only\n") << "STRING"
                                     << "L-001"
                                     << "english only";
    QTest::newRow("empty file") << QByteArray() << "STRING"
                                << "L0001"
                                << "<default>";
    QTest::newRow("NUL bytes do not end the text")
        << QByteArray("[STRING]\nL0017=a").append('\0').append("b\n") << "STRING"
        << "L0017" << QString::fromUtf8("a\0b", 3);
}

void TestQMyIniFile::lookup()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);

    QTemporaryDir dir;
    const QString path = dir.filePath("lang.txt");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(contents);
    file.close();

    QMyIniFile ini(path);
    ini.ReadAll();
    const QString got = ini.getValue(section, key, QStringLiteral("<default>"));
    QCOMPARE(got, expected);
}

void TestQMyIniFile::repeatedSectionsKeepTheFirst()
{
    QMyIniFile ini;
    ini.ParseText("[STRING]\nL0001=a\n[OTHER]\nL0001=o\n[STRING]\nL0001=b\nL0002=c\n");
    QCOMPARE(ini.sections().size(), 3);
    QCOMPARE(ini.getValue("STRING", "L0001", "d"), QStringLiteral("a"));
    // The second STRING section is never looked in.
    QCOMPARE(ini.getValue("STRING", "L0002", "d"), QStringLiteral("d"));
    QCOMPARE(ini.getValue("OTHER", "L0001", "d"), QStringLiteral("o"));
}

void TestQMyIniFile::unreadableFiles_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("missing") << "/nonexistent/English.txt";
    QTest::newRow("a folder") << "/";
    // Named in setting.ini by mistake, a device must not be read without end.
    QTest::newRow("endless device") << "/dev/zero";
    QTest::newRow("empty path") << "";
}

void TestQMyIniFile::unreadableFiles()
{
    QFETCH(QString, path);
    QMyIniFile ini(path);
    ini.ReadAll();
    QVERIFY(ini.sections().isEmpty());
    QCOMPARE(ini.getValue("STRING", "L0001", "OK"), QStringLiteral("OK"));
}

void TestQMyIniFile::rereadReplacesEverything()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("lang.txt");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[STRING]\nL0001=one\n");
    file.close();
    QMyIniFile ini(path);
    ini.ReadAll();
    QCOMPARE(ini.getValue("STRING", "L0001", ""), QStringLiteral("one"));
    QVERIFY(QFile::remove(path));
    ini.ReadAll();
    QCOMPARE(ini.getValue("STRING", "L0001", "gone"), QStringLiteral("gone"));
}

ZD_TEST_MAIN(TestQMyIniFile, QCoreApplication)
#include "tst_qmyinifile.moc"
