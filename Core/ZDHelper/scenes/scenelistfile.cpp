#include "scenelistfile.h"

#include <QAbstractItemView>
#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QStringListModel>

#include <algorithm>

#include "cpublic.h"
#include "msgboxdialog.h"
#include "scenefile.h"
#include "stdafx.h"
#include "vazURIdav.h"

static_assert(SceneListFile::kMaxFiles == ZD_LAYER_LIST_FILES,
              "a list holds no more files than the engine flags by position");

QString SceneListFile::NewPath(const QString& extension)
{
    const QString folder = CPublic::GetCacheDataPath() + QLatin1Char('/');
    quint32 tick = quint32(getTickCount());
    QString path;
    do {
        path = folder + QString::number(tick++) + extension;
    } while (QFileInfo::exists(path));
    return path;
}

bool SceneListFile::ReadLines(const QString& path, QStringList& lines, bool* more)
{
    lines.clear();
    if (more)
        *more = false;
    QByteArray bytes;
    if (!SceneFile::ReadBytes(path, bytes, kMaxFileBytes))
        return false;
    const zdplaylist::Lines read = zdplaylist::parse(bytes.constData(), size_t(bytes.size()));
    for (const std::string& entry : read.entries)
        lines << QString::fromLocal8Bit(entry.data(), qsizetype(entry.size()));
    if (more)
        *more = read.more;
    return true;
}

bool SceneListFile::WriteLines(const QString& path, const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += line.toLocal8Bit();
        bytes += '\n';
    }
    return SceneFile::WriteWhole(path, bytes);
}

bool SceneListFile::FitsLine(const QString& path)
{
    const QByteArray bytes = path.toLocal8Bit();
    return !bytes.isEmpty() && bytes.size() + 1 <= kMaxLineBytes && !bytes.contains('\n') &&
           !bytes.contains('\0');
}

int SceneListFile::AddChosenFiles(QStringListModel* model, QStringList files, QWidget* parent)
{
    QStringList list = model->stringList();
    int added = 0;
    int tooLong = 0;
    int pastLimit = 0;
    for (QString& file : files) {
        file.replace(QLatin1Char('\\'), QLatin1Char('/'));
        if (!FitsLine(file)) {
            ++tooLong;
            continue;
        }
        if (list.size() >= kMaxFiles) {
            ++pastLimit;
            continue;
        }
        list << file;
        ++added;
    }
    model->setStringList(list);
    if (tooLong > 0)
        AfxMessageBox(parent, getLang(37010, "A file whose path is too long was not added."),
                      MSGBOX_ERROR);
    if (pastLimit > 0)
        AfxMessageBox(parent,
                      getLang(37011,
                              "A list holds at most #v1# files: #v2# of the chosen files were not "
                              "added.",
                              QString::number(kMaxFiles), QString::number(pastLimit)),
                      MSGBOX_ERROR);
    return added;
}

bool SceneListFile::RemoveSelected(QAbstractItemView* view, QStringListModel* model)
{
    QModelIndexList selected = view->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return false;
    std::sort(selected.begin(), selected.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() > b.row(); });
    for (const QModelIndex& index : selected)
        model->removeRow(index.row());
    return true;
}
