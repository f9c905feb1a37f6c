#include "qmystoredfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "cpublic.h"
#include "vazURIdav.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

constexpr qint64 kReadPieceBytes = 64 * 1024;

void LogRefusal(const char* what, const QString& path, const QString& why)
{
    ZD_Log(8, "%s %s refused: %s", what, QFile::encodeName(path).constData(),
           why.toUtf8().constData());
}

class FdHolder
{
public:
    explicit FdHolder(int fd) : m_fd(fd) {}
    ~FdHolder()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FdHolder(const FdHolder&) = delete;
    FdHolder& operator=(const FdHolder&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

bool IsRegularFile(const QString& path)
{
    struct stat st = {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsInside(const QString& path, const QString& folder)
{
    return path.startsWith(folder + QLatin1Char('/'));
}

bool WriteWhole(const QString& path, const QByteArray& bytes)
{
    // Unbuffered: QSaveFile's own buffered flush at commit can fail on a
    // full disk and still rename the short file over the old one, so every
    // byte goes to the file here, where a failed write is seen.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        LogRefusal("Save", path, file.errorString());
        return false;
    }
    if (file.write(bytes) != bytes.size() || !file.flush() || file.size() != bytes.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        LogRefusal("Save", path, why);
        return false;
    }
    if (!file.commit()) {
        LogRefusal("Save", path, file.errorString());
        return false;
    }
    return true;
}

} // namespace

QMyStoredFile::ReadResult QMyStoredFile::Read(const QString& path, qint64 maxBytes,
                                              QByteArray& bytes)
{
    bytes.clear();
    if (path.isEmpty())
        return ReadResult::Missing;
    // Non-blocking, so that a pipe in the file's place is opened and then
    // refused instead of waiting for a writer that never comes.
    FdHolder fd(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) {
        const int error = errno;
        if (error == ENOENT)
            return ReadResult::Missing;
        LogRefusal("Read", path, QString::fromLocal8Bit(std::strerror(error)));
        return ReadResult::Refused;
    }
    struct stat st = {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        LogRefusal("Read", path, QStringLiteral("not a regular file"));
        return ReadResult::Refused;
    }
    if (st.st_size > maxBytes) {
        LogRefusal("Read", path, QStringLiteral("larger than %1 bytes").arg(maxBytes));
        return ReadResult::Refused;
    }
    // Read piece by piece up to the bound: a file that grows while it is
    // read is refused as well, never followed.
    QByteArray out;
    out.reserve(qsizetype(st.st_size));
    char piece[kReadPieceBytes];
    for (;;) {
        const ssize_t got = ::read(fd.get(), piece, sizeof piece);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            LogRefusal("Read", path, QString::fromLocal8Bit(std::strerror(errno)));
            return ReadResult::Refused;
        }
        if (got == 0)
            break;
        if (out.size() + got > maxBytes) {
            LogRefusal("Read", path, QStringLiteral("larger than %1 bytes").arg(maxBytes));
            return ReadResult::Refused;
        }
        out.append(piece, qsizetype(got));
    }
    bytes = out;
    return ReadResult::Ok;
}

bool QMyStoredFile::IsSaveTargetInside(const QString& path, const QString& folder, QString* why)
{
    auto refuse = [why](const QString& reason) {
        if (why != nullptr)
            *why = reason;
        return false;
    };
    const QString root = QFileInfo(folder).canonicalFilePath();
    if (root.isEmpty())
        return refuse(QStringLiteral("the application-data folder is missing"));
    const QFileInfo info(path);
    if (info.exists() || info.isSymLink()) {
        // A save replaces whatever a link points to, so the link's target is
        // what must be a file of ours.
        const QString target = info.canonicalFilePath();
        if (target.isEmpty())
            return refuse(QStringLiteral("a link to nothing"));
        if (!IsRegularFile(target))
            return refuse(QStringLiteral("not a regular file: ") + target);
        if (!IsInside(target, root))
            return refuse(QStringLiteral("outside the application-data folder: ") + target);
        return true;
    }
    const QString parent = QFileInfo(info.absolutePath()).canonicalFilePath();
    if (parent.isEmpty())
        return refuse(QStringLiteral("its folder is missing"));
    if (parent != root && !IsInside(parent, root))
        return refuse(QStringLiteral("outside the application-data folder: ") + parent);
    return true;
}

bool QMyStoredFile::Save(const QString& path, const QByteArray& bytes)
{
    QString why;
    if (!IsSaveTargetInside(path, CPublic::GetAppDatePath(), &why)) {
        LogRefusal("Save", path, why);
        return false;
    }
    return WriteWhole(path, bytes);
}

bool QMyStoredFile::SaveAnywhere(const QString& path, const QByteArray& bytes)
{
    if (path.isEmpty())
        return false;
    return WriteWhole(path, bytes);
}
