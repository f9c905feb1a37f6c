// The recorded-files list reader on arbitrary bytes, then the writer.
#include "fuzz_common_app.h"
#include "qmyfileshelper.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    zdfuzz::setUp();
    QMyFilesHelper list;
    zdfuzz::writeFile(list.listFilePath, data, size);
    list.LoadAllFiles();
    for (const FILE_ITEM* item : list.files) {
        QMyFilesHelper::IsVideoItem(item);
        FileItemText(item->name, sizeof(item->name));
        FileItemText(item->info, sizeof(item->info));
        getFileItemThumbPicture(item);
    }
    // Entries whose files are gone never load, so the raw records are also
    // walked the way the list keeps them.
    for (size_t off = 0; off + sizeof(FILE_ITEM) <= size; off += sizeof(FILE_ITEM)) {
        FILE_ITEM item;
        memcpy(&item, data + off, sizeof(item));
        QMyFilesHelper::IsVideoItem(&item);
        FileItemPath(&item);
    }
    list.SaveAllFiles();
    return 0;
}
