// The play list files of movie and picture layers: one local 8-bit path per
// line, each ended by "\n", no header, in the CacheData folder. Read with the
// engine's reader and limits (zdplaylist.h), so that the editors show what
// the engine plays.
#pragma once

#include <QString>
#include <QStringList>

#include "zdplaylist.h"

class QAbstractItemView;
class QStringListModel;
class QWidget;

class SceneListFile
{
public:
    // A line holds at most this many bytes with its line end.
    static constexpr int kMaxLineBytes = int(zdplaylist::kMaxLineBytes);
    // A list holds at most this many files: the engine plays no more.
    static constexpr int kMaxFiles = int(zdplaylist::kMaxFiles);
    static constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;

    // A new, unused path: CacheData + "/" + tick count + extension.
    static QString NewPath(const QString& extension);
    // The lines of the file as the engine reads them (empty ones included,
    // the first kMaxFiles, a line too long left empty), up to its first NUL;
    // more tells whether the file holds lines past those. false when it
    // cannot be read. A file ending in "\n" has no empty last line.
    static bool ReadLines(const QString& path, QStringList& lines, bool* more = nullptr);
    // Writes the lines whole (temporary file and rename); false on failure.
    static bool WriteLines(const QString& path, const QStringList& lines);
    // Whether a chosen file can be a line of the list.
    static bool FitsLine(const QString& path);

    // The editors' list buttons: appends chosen files ("\" made "/"; files
    // that cannot be a line, and those past kMaxFiles in the list, refused
    // with a message) and returns how many were added; removes the selected
    // rows and returns whether one was removed.
    static int AddChosenFiles(QStringListModel* model, QStringList files, QWidget* parent);
    static bool RemoveSelected(QAbstractItemView* view, QStringListModel* model);
};
