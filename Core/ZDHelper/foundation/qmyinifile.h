// A read-only reader of the language files: INI-like UTF-8 text with
// "[SECTION]" lines and "key=value" lines, sections kept in file order.
#pragma once

#include <QList>
#include <QMap>
#include <QString>

struct QMyIniSection {
    QString name;
    QMap<QString, QString> values;
};

class QMyIniFile
{
public:
    explicit QMyIniFile(const QString& path = QString());

    // (Re)reads the file at its path; an unreadable file leaves no sections.
    void ReadAll();
    // Parses text as the contents of a file (what ReadAll does after reading).
    void ParseText(const QByteArray& bytes);

    // The value of key in the first section named section, else def.
    QString getValue(const QString& section, const QString& key, const QString& def) const;

    QString path() const { return m_path; }
    const QList<QMyIniSection>& sections() const { return m_sections; }

    // Language files are small; anything past this is not read.
    static constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;

private:
    QString m_path;
    QList<QMyIniSection> m_sections;
};
