// The recorded-files list: every recording, split part, picture and GIF the
// program captures, kept in files.dat as fixed 464-byte records, each with a
// 160 x 90 thumbnail in the Thumbs folder.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)
struct FILE_ITEM {
    char name[128];    // file name, UTF-8, NUL-padded; a full field has no terminator
    char info[60];     // caller's description, UTF-8
    int32_t addedTime; // seconds since the epoch, low 32 bits
    char path[256];    // absolute path, UTF-8
    uint32_t idTime;   // seconds since the epoch when added
    uint32_t idTick;   // getTickCount() when added
    uint8_t reserved[8];
};
#pragma pack(pop)

static_assert(sizeof(FILE_ITEM) == 464, "FILE_ITEM is the files.dat record");
static_assert(offsetof(FILE_ITEM, info) == 128, "FILE_ITEM layout");
static_assert(offsetof(FILE_ITEM, addedTime) == 188, "FILE_ITEM layout");
static_assert(offsetof(FILE_ITEM, path) == 192, "FILE_ITEM layout");
static_assert(offsetof(FILE_ITEM, idTime) == 448, "FILE_ITEM layout");
static_assert(offsetof(FILE_ITEM, idTick) == 452, "FILE_ITEM layout");
static_assert(offsetof(FILE_ITEM, reserved) == 456, "FILE_ITEM layout");

// The 8-byte id of an entry: word 0 seconds since the epoch, word 1 the tick.
void SetGuidData(uint32_t guid[2]);
// "%04x%04x" of the two words: the entry's thumbnail base name.
QString GetGUIDString(const uint32_t guid[2]);
// Text of a fixed field up to its first NUL or its end.
QString FileItemText(const char* field, int size);
QString FileItemPath(const FILE_ITEM* item);
// Thumbnail path of an entry, whether or not the file exists.
QString getFileItemThumbPicture(const FILE_ITEM* item);

class QMyFilesHelper : public QObject
{
    Q_OBJECT
public:
    explicit QMyFilesHelper(QObject* parent = nullptr);
    ~QMyFilesHelper() override;

    bool LoadAllFiles();
    FILE_ITEM* AddFile(const QString& path, const QString& info, const QString& thumbSource);
    void DeleteItem(const FILE_ITEM* item);
    bool SaveAllFiles();
    void ClearData();
    static bool IsVideoItem(const FILE_ITEM* item);

    static QByteArray SerializeRecords(const QList<FILE_ITEM*>& items);

    // About a hundred thousand entries; a larger files.dat is not read.
    static constexpr qint64 kMaxListBytes = 48 * 1024 * 1024;

    QList<FILE_ITEM*> files;
    QString listFilePath;
    QString thumbsPath;

private:
    // files.dat existed but could not be read: it is kept at exit unless the
    // list is saved on purpose (an add, delete or rename).
    bool m_loadFailed = false;
    // The last save failed: the list in memory holds entries files.dat lacks,
    // so a reload must not drop them.
    bool m_unsaved = false;
};
