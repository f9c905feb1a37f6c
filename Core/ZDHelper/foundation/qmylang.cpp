#include "qmylang.h"

#include "cpublic.h"
#include "qmyinifile.h"
#include "stdafx.h"
#include "vazURIdav.h"

#include <QDir>
#include <QFileInfo>

#include <cstring>
#include <memory>

namespace
{

// The language file getLang reads, and the path it was read from. Replaced
// when g_Global.langFile changes; GUI thread only.
std::unique_ptr<QMyIniFile> g_LangFile;
QString g_LFile;

} // namespace

QString getLang(unsigned int id, const QString& def, const QString& v1, const QString& v2,
                const QString& v3)
{
    QString text = def;
    const QString key = QString::asprintf("L%04d", static_cast<int>(id));
    if (g_LFile != g_Global.langFile) {
        g_LangFile.reset();
        if (!g_Global.langFile.isEmpty()) {
            g_LangFile = std::make_unique<QMyIniFile>(g_Global.langFile);
            g_LangFile->ReadAll();
        }
        g_LFile = g_Global.langFile;
    }
    if (g_LangFile)
        text = g_LangFile->getValue(QStringLiteral("STRING"), key, def);
    // Each marker is replaced in its own pass; a value is never scanned by its
    // own pass, but a later pass does see markers that a value brought in.
    text.replace(QLatin1String("#v1#"), v1);
    text.replace(QLatin1String("#v2#"), v2);
    text.replace(QLatin1String("#v3#"), v3);
    text.replace(QLatin1Char('^'), QLatin1Char('\n'));
    return text;
}

QMyLang::QMyLang(QObject* parent) : QObject(parent)
{
    EnumLangFiles();
}

void QMyLang::EnumLangFiles()
{
    EnumLangFiles(CPublic::GetResourcePath() + QStringLiteral("/lang"));
}

void QMyLang::EnumLangFiles(const QString& folder)
{
    m_names.clear();
    m_paths.clear();
    if (folder.isEmpty())
        return;
    const QDir dir(folder);
    const QFileInfoList files = dir.entryInfoList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& file : files) {
        const QString name = file.fileName();
        if (name.size() < 5)
            continue;
        m_names.append(name.left(name.size() - 4));
        m_paths.append(file.absoluteFilePath());
    }
}

QString QMyLang::getLangPath(const QString& name) const
{
    const qsizetype i = m_names.indexOf(name);
    return i >= 0 ? m_paths.at(i) : QString();
}

QString QMyLang::getDefaultName(QString& path)
{
    char locale[128];
    std::memset(locale, 0, sizeof locale);
    ZD_GetCurrentLocaLang(locale, sizeof locale);
    locale[sizeof locale - 1] = '\0';
    QString name = std::strcmp(locale, "chinese") == 0 ? QStringLiteral("Simplified Chinese")
                                                       : QStringLiteral("English");
    const QString folder = CPublic::GetResourcePath() + QStringLiteral("/lang/");
    path = folder + name + QStringLiteral(".txt");
    if (QFileInfo::exists(path))
        return name;
    path = folder + QStringLiteral("English.txt");
    return QStringLiteral("English");
}

QString QMyLang::getFontName(const QString& langFilePath)
{
    Q_UNUSED(langFilePath);
    return QStringLiteral("SF Mono");
}
