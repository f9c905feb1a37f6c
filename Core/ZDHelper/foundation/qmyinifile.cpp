#include "qmyinifile.h"

#include "qmystoredfile.h"

QMyIniFile::QMyIniFile(const QString& path) : m_path(path) {}

void QMyIniFile::ReadAll()
{
    m_sections.clear();
    // Only a regular file: a device or a pipe named in setting.ini would never
    // end.
    QByteArray bytes;
    if (QMyStoredFile::Read(m_path, kMaxFileBytes, bytes) == QMyStoredFile::ReadResult::Ok)
        ParseText(bytes);
}

void QMyIniFile::ParseText(const QByteArray& bytes)
{
    m_sections.clear();
    const QString text = QString::fromUtf8(bytes);
    const QList<QStringView> lines = QStringView(text).split(QLatin1Char('\n'));
    for (QStringView line : lines) {
        if (line.size() < 2)
            continue;
        if (line.front() == QLatin1Char(';'))
            continue;
        if (line.back() == QLatin1Char('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        if (line.front() == QLatin1Char('[')) {
            // The last character is dropped whatever it is.
            QMyIniSection section;
            section.name = line.mid(1, line.size() - 2).toString();
            m_sections.append(section);
            continue;
        }
        if (m_sections.isEmpty())
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        m_sections.last().values.insert(line.left(eq).toString(), line.mid(eq + 1).toString());
    }
}

QString QMyIniFile::getValue(const QString& section, const QString& key, const QString& def) const
{
    for (const QMyIniSection& s : m_sections) {
        if (s.name != section)
            continue;
        const auto it = s.values.constFind(key);
        return it != s.values.cend() ? it.value() : def;
    }
    return def;
}
