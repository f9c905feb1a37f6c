// The languages the program can show: one file per language in the "lang"
// folder of the resources, named after the language.
#pragma once

#include <QObject>
#include <QStringList>

class QMyLang : public QObject
{
    Q_OBJECT

public:
    explicit QMyLang(QObject* parent = nullptr);

    // Fills the names and paths from the resources' "lang" folder.
    void EnumLangFiles();
    // The same from another folder.
    void EnumLangFiles(const QString& folder);
    // The file of the language of exactly that name, or an empty text.
    QString getLangPath(const QString& name) const;

    const QStringList& names() const { return m_names; }
    const QStringList& paths() const { return m_paths; }

    // The system's language when a file exists for it, else English; path
    // receives the language file.
    static QString getDefaultName(QString& path);
    static QString getFontName(const QString& langFilePath);

private:
    QStringList m_names;
    QStringList m_paths;
};
