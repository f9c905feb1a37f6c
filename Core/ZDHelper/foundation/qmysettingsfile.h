// The settings object over setting.ini. QSettings would open the file itself
// (blocking on a pipe in its place), write through a link to whatever it
// points at, and commit a short file on a full disk; so it works on a private
// copy, and the stored file is read and saved only through QMyStoredFile.
#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>

#include <memory>

class QTemporaryDir;

class QMySettingsFile : public QSettings
{
public:
    // Reads storedPath (a refused or missing file gives no values) into a new
    // settings object; never null.
    static QMySettingsFile* Open(const QString& storedPath);
    // Saves what changed since the last save.
    ~QMySettingsFile() override;

    // Writes the values to the stored file when they differ from what it
    // holds. True only when this save reached the file (or had nothing to
    // write), whatever errors the load met.
    bool Save();

    QString storedPath() const { return m_storedPath; }

private:
    QMySettingsFile(std::unique_ptr<QTemporaryDir> workDir, const QString& storedPath,
                    const QByteArray& storedBytes);

    bool HoldsValues(const QByteArray& bytes) const;
    static QString ValueText(const QVariant& value);

    std::unique_ptr<QTemporaryDir> m_workDir;
    QString m_storedPath;
    // What the stored file holds as far as this program knows.
    QByteArray m_storedBytes;
};
