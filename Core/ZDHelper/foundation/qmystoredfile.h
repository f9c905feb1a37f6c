// Reads and writes the program's stored files (lists, settings, thumbnails,
// downloads): reads take a regular file only, up to a size bound, in bounded
// pieces; writes replace a file whole or leave the old one, and count only
// when every byte reached the new file.
#pragma once

#include <QByteArray>
#include <QString>

class QMyStoredFile
{
public:
    enum class ReadResult {
        Ok,      // bytes hold the whole file
        Missing, // no such file: a first start
        Refused, // not a regular file, too large or unreadable; already logged
    };

    // Reads path into bytes (cleared on anything but Ok). A device, a pipe, a
    // folder or a file larger than maxBytes is refused without being read.
    static ReadResult Read(const QString& path, qint64 maxBytes, QByteArray& bytes);

    // Replaces the stored file path (one inside the application-data folder)
    // with bytes. Refused, logged and false when path resolves to anything
    // but a regular file inside that folder, or to a folder outside it.
    static bool Save(const QString& path, const QByteArray& bytes);

    // Replaces path, wherever it is, with bytes. False, logged, and the old
    // file kept when the new one could not be written whole.
    static bool SaveAnywhere(const QString& path, const QByteArray& bytes);

    // Whether a save over path stays a regular file inside folder; why names
    // the reason when not.
    static bool IsSaveTargetInside(const QString& path, const QString& folder, QString* why);

    // Lists and settings are small; this is the bound of every stored file
    // that does not name its own.
    static constexpr qint64 kDefaultMaxBytes = 16 * 1024 * 1024;
};
