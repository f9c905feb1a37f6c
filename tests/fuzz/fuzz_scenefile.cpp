// The scene-file reader on arbitrary bytes (header alone and whole file),
// each record it keeps rebuilt as a layer and stored again, and the same
// bytes read as a movie or picture list file.
#include "fuzz_common_app.h"
#include "scenefile.h"
#include "sceneitemdata.h"
#include "scenelistfile.h"
#include "stdafx.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    zdfuzz::setUp();
    g_Global.liveWidth = 1920;
    g_Global.liveHeight = 1080;
    const QString path = SceneFile::PathOf("fuzz");
    zdfuzz::writeFile(path, data, size);
    SCENE_FILE_HEADER header;
    SceneFile::ReadHeader(path, header);
    QList<SceneItemData_Save> records;
    int skipped = 0;
    if (SceneFile::Read(path, header, records, &skipped)) {
        QList<SceneItemData_Save> again;
        for (const SceneItemData_Save& record : records) {
            SceneItemData layer(nullptr, record);
            layer.getCapturerName();
            layer.listFilePath();
            layer.UpdatePip();
            SceneItemData_Save out;
            layer.GetSaveData(&out, header.width, header.height);
            again << out;
        }
        SceneFile::Serialize(header, again);
    }
    QStringList lines;
    SceneListFile::ReadLines(path, lines);
    return 0;
}
