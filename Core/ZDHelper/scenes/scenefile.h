// The scene file: a 20-byte header (magic -65535, the canvas override width,
// height and frame rate, the record count) and that many 4660-byte layer
// records, all little-endian. One file per scene name in the scene folder;
// "default" is the working scene.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>

#include "sceneitemdata.h"

#pragma pack(push, 1)
struct SCENE_FILE_HEADER {
    int32_t magic;
    int32_t width; // 0: the LIVE settings
    int32_t height;
    int32_t fps;
    int32_t count;
};
#pragma pack(pop)
static_assert(sizeof(SCENE_FILE_HEADER) == 20, "SCENE_FILE_HEADER layout");

class SceneFile
{
public:
    // A record the reader left out, and its place among the file's records.
    struct SkippedRecord {
        int index = 0;
        SceneItemData_Save record = {};
    };

    static constexpr int32_t kMagic = -65535;
    // More layers than any scene holds; a larger count is a damaged file.
    static constexpr int kMaxRecords = 1000;
    static constexpr qint64 kMaxBytes = qint64(sizeof(SCENE_FILE_HEADER)) +
                                        qint64(kMaxRecords) * qint64(sizeof(SceneItemData_Save));

    // A name that can become a file name in the scene folder: not empty, no
    // "/", "\" or NUL, not starting with "." (so neither "." nor "..").
    static bool IsValidName(const QString& name);
    // The scene folder + "/" + name; an empty name is "default". Empty for
    // a name IsValidName refuses.
    static QString PathOf(const QString& name);

    // The header checks: magic, canvas 0 x 0 or 320..3840 x 240..2160, frame
    // rate 0 or 15..60, count 0..kMaxRecords.
    static bool IsValidHeader(const SCENE_FILE_HEADER& header);
    // The record checks: kind 0..4, a key of 1 to 5 digits, per-mille values
    // 0..1000, and for movie and picture layers a list path that is empty or
    // lies inside the CacheData folder.
    static bool IsValidRecord(const SceneItemData_Save& record);

    // Parses a whole file. false (and nothing filled) for a bad header; bad
    // records are left out, counted in skipped and handed back unchanged in
    // skippedRecords. A file shorter than its count gives the records
    // present.
    static bool Parse(const QByteArray& bytes, SCENE_FILE_HEADER& header,
                      QList<SceneItemData_Save>& records, int* skipped = nullptr,
                      QList<SkippedRecord>* skippedRecords = nullptr);
    static QByteArray Serialize(const SCENE_FILE_HEADER& header,
                                const QList<SceneItemData_Save>& records);

    // A regular file of at most maxBytes, read whole; false otherwise.
    static bool ReadBytes(const QString& path, QByteArray& bytes, qint64 maxBytes = kMaxBytes);
    // Only the header, refused unless it passes IsValidHeader (the live
    // panel reads the canvas size first).
    static bool ReadHeader(const QString& path, SCENE_FILE_HEADER& header);
    static bool Read(const QString& path, SCENE_FILE_HEADER& header,
                     QList<SceneItemData_Save>& records, int* skipped = nullptr,
                     QList<SkippedRecord>* skippedRecords = nullptr);
    // A file at path that cannot be read whole (not a regular file, too
    // large, a header that is refused, fewer records than its count) is
    // renamed to path + ".damaged", replacing an older one, so that no save
    // writes over it. The new path; empty when the file is missing, whole,
    // or could not be moved.
    static QString KeepAsideIfDamaged(const QString& path);
    // Written whole or not at all, only over a regular file inside the
    // application-data folder.
    static bool WriteWhole(const QString& path, const QByteArray& bytes);
    static bool Write(const QString& path, const SCENE_FILE_HEADER& header,
                      const QList<SceneItemData_Save>& records);
};
