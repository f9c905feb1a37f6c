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

bool SceneListFile::ReadLines(const QString& path, QStringList& lines)
{
    lines.clear();
    QByteArray bytes;
    if (!SceneFile::ReadBytes(path, bytes, kMaxFileBytes))
        return false;
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    if (bytes.isEmpty())
        return true;
    QList<QByteArray> parts = bytes.split('\n');
    if (bytes.endsWith('\n'))
        parts.removeLast();
    for (const QByteArray& part : parts)
        lines << QString::fromLocal8Bit(part);
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
    int refused = 0;
    for (QString& file : files) {
        if (added >= kMaxAddedFiles)
            break;
        file.replace(QLatin1Char('\\'), QLatin1Char('/'));
        if (!FitsLine(file)) {
            ++refused;
            continue;
        }
        list << file;
        ++added;
    }
    model->setStringList(list);
    if (refused > 0)
        AfxMessageBox(parent, getLang(-1, "A file whose path is too long was not added."),
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
