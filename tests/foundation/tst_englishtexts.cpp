// Every text id that the program's sources look up has an English text in the
// shipped English.txt, so that no window shows a blank where a Part gives an
// empty default. Scans the sources, so it checks later windows too.
#include "zdtestmain.h"

#include "qmyinifile.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>

namespace
{

const QString kSourceRoot = QStringLiteral(ZD_TEST_SOURCE_DIR "/Core/ZDHelper");
const QString kEnglishSource =
    QStringLiteral(ZD_TEST_SOURCE_DIR "/Core/ZDHelper/resources/disk/lang/English.txt");
const QString kEnglishShipped = QStringLiteral(ZD_TEST_RESOURCES_DIR "/lang/English.txt");

// id -> "file:line" of each use.
QMap<int, QStringList> idsUsedInSources(int* filesScanned)
{
    *filesScanned = 0;
    QMap<int, QStringList> used;
    // getLang( <id>, ... with the id as a literal; -1 marks English-only texts.
    static const QRegularExpression call(QStringLiteral("\\bgetLang\\s*\\(\\s*(-?[0-9]+)\\s*,"));
    QDirIterator it(kSourceRoot, {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        ++*filesScanned;
        const QString text = QString::fromUtf8(file.readAll());
        auto matches = call.globalMatch(text);
        while (matches.hasNext()) {
            const auto match = matches.next();
            const int id = match.captured(1).toInt();
            const int line = int(text.left(match.capturedStart()).count(QLatin1Char('\n'))) + 1;
            used[id] << QString("%1:%2").arg(QDir(kSourceRoot).relativeFilePath(path)).arg(line);
        }
    }
    return used;
}

} // namespace

class TestEnglishTexts : public QObject
{
    Q_OBJECT

private slots:
    void everyUsedIdHasEnglishText();
    void fileIsWellFormed();
    void shippedCopyMatchesTheSource();
};

void TestEnglishTexts::everyUsedIdHasEnglishText()
{
    int filesScanned = 0;
    const QMap<int, QStringList> used = idsUsedInSources(&filesScanned);
    QVERIFY2(filesScanned > 0, "no source found; is the source folder right?");
    QMyIniFile english(kEnglishShipped);
    english.ReadAll();
    QStringList missing;
    for (auto it = used.cbegin(); it != used.cend(); ++it) {
        if (it.key() < 0)
            continue;
        const QString key = QString::asprintf("L%04d", it.key());
        const QString text = english.getValue("STRING", key, QString());
        if (text.trimmed().isEmpty())
            missing << QString("%1 (%2)").arg(key, it.value().join(", "));
    }
    QVERIFY2(missing.isEmpty(), qPrintable("ids without English text: " + missing.join("; ")));
}

void TestEnglishTexts::fileIsWellFormed()
{
    QFile file(kEnglishSource);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY2(QString::fromUtf8(bytes).toUtf8() == bytes, "English.txt is not valid UTF-8");
    const QStringList lines = QString::fromUtf8(bytes).split('\n');
    QSet<QString> keys;
    int sections = 0;
    static const QRegularExpression keyLine(QStringLiteral("^L(-?[0-9]{3,})=(.*)$"));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i];
        if (line.isEmpty() || line.startsWith(';'))
            continue;
        if (line == "[STRING]") {
            ++sections;
            continue;
        }
        const auto match = keyLine.match(line);
        QVERIFY2(match.hasMatch(), qPrintable(QString("line %1: %2").arg(i + 1).arg(line)));
        const QString key = line.section('=', 0, 0);
        // A repeated key would hide the earlier text silently.
        QVERIFY2(!keys.contains(key), qPrintable("repeated key " + key));
        keys.insert(key);
        QVERIFY2(key == QString::asprintf("L%04d", match.captured(1).toInt()),
                 qPrintable("key not in L%04d form: " + key));
        QVERIFY2(!line.endsWith('\r'), "carriage return in English.txt");
    }
    QCOMPARE(sections, 1);
}

void TestEnglishTexts::shippedCopyMatchesTheSource()
{
    QFile source(kEnglishSource);
    QFile shipped(kEnglishShipped);
    QVERIFY(source.open(QIODevice::ReadOnly));
    QVERIFY(shipped.open(QIODevice::ReadOnly));
    QCOMPARE(shipped.readAll(), source.readAll());
}

ZD_TEST_MAIN(TestEnglishTexts, QCoreApplication)
#include "tst_englishtexts.moc"
