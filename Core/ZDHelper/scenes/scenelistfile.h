// The play list files of movie and picture layers: one local 8-bit path per
// line, each ended by "\n", no header, in the CacheData folder.
#pragma once

#include <QString>
#include <QStringList>

class QAbstractItemView;
class QStringListModel;
class QWidget;

class SceneListFile
{
public:
    // A line holds at most this many bytes with its line end.
    static constexpr int kMaxLineBytes = 1023;
    // At most this many files are added from one use of the open dialog.
    static constexpr int kMaxAddedFiles = 256;
    static constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;

    // A new, unused path: CacheData + "/" + tick count + extension.
    static QString NewPath(const QString& extension);
    // Every line of the file (empty ones included), up to its first NUL;
    // false when it cannot be read. A file ending in "\n" has no empty last
    // line.
    static bool ReadLines(const QString& path, QStringList& lines);
    // Writes the lines whole (temporary file and rename); false on failure.
    static bool WriteLines(const QString& path, const QStringList& lines);
    // Whether a chosen file can be a line of the list.
    static bool FitsLine(const QString& path);

    // The editors' list buttons: appends chosen files (at most
    // kMaxAddedFiles, "\" made "/", files that cannot be a line refused with
    // a message) and returns how many were added; removes the selected rows
    // and returns whether one was removed.
    static int AddChosenFiles(QStringListModel* model, QStringList files, QWidget* parent);
    static bool RemoveSelected(QAbstractItemView* view, QStringListModel* model);
};
