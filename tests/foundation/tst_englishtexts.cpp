// Every text id that the program's sources look up has an English text in the
// shipped English.txt, so that no window shows a blank where the code gives an
// empty default, and every English default the code gives is the file's text,
// so that a window does not read differently with and without the file.
// Scans the sources, so it checks later windows and ids too.
#include "zdtestmain.h"

#include "qmyinifile.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>

#include <functional>

namespace
{

const QString kSourceRoot = QStringLiteral(ZD_TEST_SOURCE_DIR "/Core/ZDHelper");
const QString kEnglishSource =
    QStringLiteral(ZD_TEST_SOURCE_DIR "/Core/ZDHelper/resources/disk/lang/English.txt");
const QString kEnglishShipped = QStringLiteral(ZD_TEST_RESOURCES_DIR "/lang/English.txt");

// Hands each source file of the program, by its path below the source
// folder, with its text, to visit; the number of files read.
int forEachSource(const std::function<void(const QString& name, const QString& text)>& visit)
{
    int files = 0;
    QDirIterator it(kSourceRoot, {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        ++files;
        visit(QDir(kSourceRoot).relativeFilePath(path), QString::fromUtf8(file.readAll()));
    }
    return files;
}

// id -> "file:line" of each use.
QMap<int, QStringList> idsUsedInSources(int* filesScanned)
{
    QMap<int, QStringList> used;
    // getLang( <id>, ... with the id as a literal; -1 marks English-only texts.
    static const QRegularExpression call(QStringLiteral("\\bgetLang\\s*\\(\\s*(-?[0-9]+)\\s*,"));
    *filesScanned = forEachSource([&](const QString& name, const QString& text) {
        auto matches = call.globalMatch(text);
        while (matches.hasNext()) {
            const auto match = matches.next();
            const int id = match.captured(1).toInt();
            const int line = int(text.left(match.capturedStart()).count(QLatin1Char('\n'))) + 1;
            used[id] << QString("%1:%2").arg(name).arg(line);
        }
    });
    return used;
}

// The sources with comments blanked out (string literals kept), so that a
// getLang( in a comment is not taken for a call.
QString withoutComments(const QString& text)
{
    QString out = text;
    enum { Code, Line, Block, String, Char } state = Code;
    for (qsizetype i = 0; i < out.size(); ++i) {
        const QChar c = out.at(i);
        const QChar next = i + 1 < out.size() ? out.at(i + 1) : QChar();
        switch (state) {
        case Code:
            if (c == '/' && next == '/')
                state = Line;
            else if (c == '/' && next == '*')
                state = Block;
            else if (c == '"')
                state = String;
            else if (c == '\'')
                state = Char;
            break;
        case Line:
            if (c == '\n')
                state = Code;
            break;
        case Block:
            if (c == '*' && next == '/') {
                out[i] = ' ';
                out[i + 1] = ' ';
                ++i;
                state = Code;
            }
            break;
        case String:
        case Char:
            if (c == '\\')
                ++i;
            else if (c == (state == String ? '"' : '\''))
                state = Code;
            break;
        }
        if ((state == Line || state == Block) && c != '\n')
            out[i] = ' ';
    }
    return out;
}

// The text of one C++ string literal body, escapes resolved.
QString unescape(const QString& body)
{
    QString out;
    for (qsizetype i = 0; i < body.size(); ++i) {
        if (body.at(i) != '\\' || i + 1 == body.size()) {
            out += body.at(i);
            continue;
        }
        const QChar e = body.at(++i);
        out += e == 'n' ? QChar('\n') : e == 't' ? QChar('\t') : e;
    }
    return out;
}

struct Default {
    int id;
    QString text;
    QString where;
};

// One argument of a call: the text up to the next comma or closing bracket
// at depth 0. pos is moved past the comma; false at the end of the call.
bool nextArgument(const QString& text, qsizetype& pos, QString& argument)
{
    int depth = 0;
    bool inString = false;
    const qsizetype start = pos;
    for (; pos < text.size(); ++pos) {
        const QChar c = text.at(pos);
        if (inString) {
            if (c == '\\')
                ++pos;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"')
            inString = true;
        else if (c == '(' || c == '{' || c == '[')
            ++depth;
        else if ((c == ')' || c == '}' || c == ']') && depth > 0)
            --depth;
        else if ((c == ',' || c == ')') && depth == 0) {
            argument = text.mid(start, pos - start).trimmed();
            const bool more = c == ',';
            ++pos;
            return more;
        }
    }
    argument = text.mid(start).trimmed();
    return false;
}

// The text of an argument made of string literals only, optionally wrapped in
// one of Qt's string constructors; false for anything else.
bool literalText(QString argument, QString& text)
{
    static const QRegularExpression wrapper(
        QStringLiteral("^(?:QStringLiteral|QString::fromUtf8|QString::fromLatin1|QLatin1String|"
                       "QString)\\s*\\((.*)\\)$"),
        QRegularExpression::DotMatchesEverythingOption);
    const auto wrapped = wrapper.match(argument);
    if (wrapped.hasMatch())
        argument = wrapped.captured(1).trimmed();
    static const QRegularExpression literals(QStringLiteral("^(?:\"(?:[^\"\\\\]|\\\\.)*\"\\s*)*$"));
    if (!literals.match(argument).hasMatch())
        return false;
    static const QRegularExpression one(QStringLiteral("\"((?:[^\"\\\\]|\\\\.)*)\""));
    text.clear();
    auto parts = one.globalMatch(argument);
    while (parts.hasNext())
        text += unescape(parts.next().captured(1));
    return true;
}

// Every (id, English default) the sources give: the literal pairs of
// getLang calls (a literal may sit in a named constant of the file), and the
// rows of the menu tables whose ids and defaults
// reach getLang through variables ({ [name,] id, "default", ... }). A call
// whose default is neither a literal, nor empty, nor read from such a table
// lands in unreadable.
QList<Default> defaultsInSources(QStringList* unreadable)
{
    QList<Default> found;
    static const QRegularExpression call(QStringLiteral("\\bgetLang\\s*\\("));
    static const QRegularExpression tableRow(
        QStringLiteral("\\{\\s*(?:[A-Za-z_][\\w:]*\\s*,\\s*)?(-?[0-9]+)\\s*,\\s*((?:\"(?:[^\"\\\\]|"
                       "\\\\.)*\"\\s*)+)[,}]"));
    static const QRegularExpression declaration(QStringLiteral("QString\\s+$"));
    forEachSource([&](const QString& name, const QString& source) {
        const QString text = withoutComments(source);
        auto lineOf = [&](qsizetype at) {
            return QString("%1:%2").arg(name).arg(text.left(at).count(QLatin1Char('\n')) + 1);
        };
        bool indirect = false;
        QStringList indirectSites;
        auto calls = call.globalMatch(text);
        while (calls.hasNext()) {
            const auto match = calls.next();
            if (declaration.match(text.left(match.capturedStart())).hasMatch())
                continue; // the function's own declaration or definition
            qsizetype pos = match.capturedEnd();
            QString idText, defaultText, literal;
            if (!nextArgument(text, pos, idText))
                continue;
            nextArgument(text, pos, defaultText);
            if (defaultText.isEmpty() || defaultText == "QString()" ||
                (literalText(defaultText, literal) && literal.isEmpty()))
                continue; // no default given: the file's text is shown
            // A default held in a named constant of the same file.
            static const QRegularExpression identifier(QStringLiteral("^[A-Za-z_]\\w*$"));
            if (identifier.match(defaultText).hasMatch()) {
                const QRegularExpression definition("\\b" + defaultText + "\\s*=\\s*([^;]+);");
                const auto defined = definition.match(text);
                if (defined.hasMatch())
                    defaultText = defined.captured(1).trimmed();
            }
            bool isNumber = false;
            const int id = idText.toInt(&isNumber);
            if (isNumber && literalText(defaultText, literal)) {
                if (id >= 0)
                    found.append({id, literal, lineOf(match.capturedStart())});
                continue;
            }
            indirect = true;
            indirectSites << lineOf(match.capturedStart());
        }
        if (!indirect)
            return;
        int rows = 0;
        auto table = tableRow.globalMatch(text);
        while (table.hasNext()) {
            const auto row = table.next();
            QString literal;
            if (!literalText(row.captured(2).trimmed(), literal))
                continue;
            ++rows;
            found.append({row.captured(1).toInt(), literal, lineOf(row.capturedStart())});
        }
        if (rows == 0)
            *unreadable << indirectSites;
    });
    return found;
}

// English.txt's texts by id, with "^" read as the line break getLang makes it.
QMap<int, QString> englishFileTexts()
{
    QMap<int, QString> texts;
    QFile file(kEnglishSource);
    if (!file.open(QIODevice::ReadOnly))
        return texts;
    static const QRegularExpression keyLine(QStringLiteral("^L(-?[0-9]+)=(.*)$"));
    for (const QString& line : QString::fromUtf8(file.readAll()).split('\n')) {
        const auto match = keyLine.match(line);
        if (match.hasMatch())
            texts.insert(match.captured(1).toInt(),
                         match.captured(2).replace(QLatin1Char('^'), QLatin1Char('\n')));
    }
    return texts;
}

} // namespace

class TestEnglishTexts : public QObject
{
    Q_OBJECT

private slots:
    void everyUsedIdHasEnglishText();
    void everyEnglishDefaultIsTheFilesText();
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

void TestEnglishTexts::everyEnglishDefaultIsTheFilesText()
{
    // Where one id carries two English defaults on purpose, the file holds
    // the first use's text and these second defaults show only without it:
    // a filter row's name next to the add menu and the editor, and the
    // server editor's Modify next to its Add.
    const QSet<QPair<int, QString>> secondDefaults = {
        {32003, "blur"},
        {33300, "Remove color"},
        {33200, "none"},
        {24000, "The name or rtmp addresss is invalid."},
    };
    QStringList unreadable;
    const QList<Default> defaults = defaultsInSources(&unreadable);
    QVERIFY2(unreadable.isEmpty(),
             qPrintable("English defaults this test cannot read: " + unreadable.join(", ")));
    QVERIFY2(defaults.size() > 200, qPrintable(QString("only %1 defaults found; is the scan "
                                                       "right?")
                                                   .arg(defaults.size())));
    const QMap<int, QString> file = englishFileTexts();
    QVERIFY(!file.isEmpty());

    QStringList differing;
    QSet<QPair<int, QString>> secondDefaultsSeen;
    for (const Default& d : defaults) {
        if (secondDefaults.contains({d.id, d.text})) {
            secondDefaultsSeen.insert({d.id, d.text});
            continue;
        }
        const auto text = file.constFind(d.id);
        if (text == file.cend())
            differing
                << QString("L%1 missing, code says \"%2\" (%3)").arg(d.id).arg(d.text, d.where);
        else if (*text != d.text)
            differing << QString("L%1 is \"%2\", code says \"%3\" (%4)")
                             .arg(d.id)
                             .arg(*text, d.text, d.where);
    }
    QVERIFY2(differing.isEmpty(), qPrintable("\n" + differing.join("\n")));
    // The list above names only second defaults the code still gives.
    QCOMPARE(secondDefaultsSeen, secondDefaults);
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
