#include "qmysettingsfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "qmystoredfile.h"
#include "vazURIdav.h"

namespace
{

const QString kWorkName = QStringLiteral("setting.ini");

} // namespace

QMySettingsFile* QMySettingsFile::Open(const QString& storedPath)
{
    QByteArray bytes;
    QMyStoredFile::Read(storedPath, QMyStoredFile::kDefaultMaxBytes, bytes);
    auto workDir =
        std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/zd-settings-XXXXXX"));
    // The application-data folder is writable, or the program would not
    // have started.
    if (!workDir->isValid())
        workDir = std::make_unique<QTemporaryDir>(QFileInfo(storedPath).absolutePath() +
                                                  QStringLiteral("/.setting-XXXXXX"));
    // The copy holds what was read; a copy that cannot be written leaves the
    // values empty, and the first save says so.
    QFile work(workDir->filePath(kWorkName));
    if (!workDir->isValid() || !work.open(QIODevice::WriteOnly) ||
        work.write(bytes) != bytes.size() || !work.flush()) {
        ZD_Log(8, "Settings work copy %s failed: %s",
               QFile::encodeName(work.fileName()).constData(),
               work.errorString().toUtf8().constData());
        bytes.clear();
    }
    work.close();
    return new QMySettingsFile(std::move(workDir), storedPath, bytes);
}

QMySettingsFile::QMySettingsFile(std::unique_ptr<QTemporaryDir> workDir, const QString& storedPath,
                                 const QByteArray& storedBytes)
    : QSettings(workDir->filePath(kWorkName), QSettings::IniFormat), m_workDir(std::move(workDir)),
      m_storedPath(storedPath), m_storedBytes(storedBytes)
{
}

QMySettingsFile::~QMySettingsFile()
{
    Save();
}

bool QMySettingsFile::Save()
{
    // The copy's status keeps the load's first error (a format error stays
    // for the whole run), so this save is judged by what the copy holds: the
    // bytes must read back as every value held here.
    sync();
    QByteArray bytes;
    QMyStoredFile::Read(fileName(), QMyStoredFile::kDefaultMaxBytes, bytes);
    if (!HoldsValues(bytes)) {
        ZD_Log(8, "Save setting.ini failed: the work copy %s lacks values",
               QFile::encodeName(fileName()).constData());
        return false;
    }
    if (bytes == m_storedBytes)
        return true;
    if (!QMyStoredFile::Save(m_storedPath, bytes))
        return false;
    m_storedBytes = bytes;
    return true;
}

bool QMySettingsFile::HoldsValues(const QByteArray& bytes) const
{
    // Read back from a file of its own: a second settings object over the
    // work copy would share its values and reload them from the disk.
    const QString checkPath = m_workDir->filePath(QStringLiteral("check.ini"));
    {
        QFile check(checkPath);
        if (!check.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            check.write(bytes) != bytes.size() || !check.flush())
            return false;
    }
    const QSettings written(checkPath, QSettings::IniFormat);
    const QStringList keys = allKeys();
    if (written.allKeys() != keys)
        return false;
    for (const QString& key : keys) {
        if (ValueText(written.value(key)) != ValueText(value(key)))
            return false;
    }
    return true;
}

QString QMySettingsFile::ValueText(const QVariant& value)
{
    // Numbers come back from the file as text, and a value with commas as a
    // list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}
