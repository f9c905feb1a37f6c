#include "cnetwork.h"

#include "cpublic.h"
#include "qmystoredfile.h"
#include "stdafx.h"
#include "vazURIdav.h"

#include <QFile>

#include <cstdlib>
#include <cstring>

CNetwork* getNetworkInstance()
{
    static CNetwork instance;
    return &instance;
}

namespace
{

int Fetch(bool post, const char* url, const char* body, char** data, int* length)
{
    char* buffer = static_cast<char*>(std::malloc(CNetwork::kReplyBufferBytes));
    if (buffer == nullptr)
        return -1;
    int size = CNetwork::kReplyBufferBytes;
    int result = post ? ZD_PostInternetData(url, body, buffer, &size)
                      : ZD_ReadInternetFile(url, nullptr, buffer, &size);
    // A success whose length does not fit the buffer is no success.
    if (result == 0 && (size < 0 || size > CNetwork::kReplyBufferBytes))
        result = -1;
    if (result != 0) {
        std::free(buffer);
        return result;
    }
    *data = buffer;
    *length = size;
    return 0;
}

} // namespace

int CNetwork::HttpGet(const char* url, char** data, int* length)
{
    return Fetch(false, url, nullptr, data, length);
}

int CNetwork::HttpPost(const char* url, char* body, char** data, int* length)
{
    return Fetch(true, url, body, data, length);
}

int HttpDowload(const char* url, const char* filePath)
{
    return ZD_ReadInternetFile(url, filePath, nullptr, nullptr);
}

int CURL_ReadInternetFile(const QString& url, const char* filePath, char* buffer, int bufferSize)
{
    const QByteArray address = url.toLocal8Bit();
    char* data = nullptr;
    int length = 0;
    if (getNetworkInstance()->HttpGet(address.constData(), &data, &length) != 0)
        return 0;
    if (data == nullptr || length <= 0) {
        std::free(data);
        return 0;
    }
    if (filePath != nullptr) {
        // Replaced whole or left as it was; a file that cannot be written is
        // skipped, as the caller does not look at it.
        QMyStoredFile::SaveAnywhere(QFile::decodeName(filePath), QByteArray(data, length));
    }
    if (buffer != nullptr && length <= bufferSize)
        std::memcpy(buffer, data, static_cast<size_t>(length));
    std::free(data);
    return length;
}

int ParseVersionReply(const char* reply, int length, QString& version, int& number, int& build)
{
    if (reply == nullptr || length <= 0)
        return 0;
    const int bounded = length < 1024 ? length : 1024;
    const void* zero = std::memchr(reply, 0, static_cast<size_t>(bounded));
    const int used = zero ? int(static_cast<const char*>(zero) - reply) : bounded;
    const QString text = QString::fromLocal8Bit(reply, used);

    int lastLength = 0;
    const char* const tags[3][2] = {{"<v>", "</v>"}, {"<i>", "</i>"}, {"<b>", "</b>"}};
    for (int element = 0; element < 3; ++element) {
        const qsizetype open = text.indexOf(QLatin1String(tags[element][0]));
        const qsizetype close = text.indexOf(QLatin1String(tags[element][1]));
        if (open < 0 || close < 0)
            continue;
        const qsizetype start = open + qsizetype(std::strlen(tags[element][0]));
        const qsizetype contentLength = close - start;
        // A closing tag before its opening tag: the content runs to the end of
        // the reply and has a negative length.
        const QString content =
            contentLength >= 0 ? text.mid(start, contentLength) : text.mid(start);
        lastLength = int(contentLength);
        if (element == 0) {
            version = content;
        } else {
            bool ok = false;
            int value = content.toInt(&ok, 10);
            if (!ok || contentLength < 0)
                value = 0;
            (element == 1 ? number : build) = value;
        }
    }
    return lastLength;
}

bool CheckNewVersion2(QString& version, int& number, int& build, QString& picture)
{
    number = NUM_IVER;
    build = NUM_BUILD;
    char reply[1024];
    std::memset(reply, 0, sizeof reply);
    const int length = CURL_ReadInternetFile(URL_CHECK_UPGRADE(), nullptr, reply, sizeof reply);
    if (length == 0)
        return false;
    // A reply longer than the buffer was not copied and parses as empty.
    const int contentLength = ParseVersionReply(reply, int(sizeof reply), version, number, build);
    if (contentLength > 0) {
        picture = CPublic::GetTempFile(QStringLiteral("png"));
        if (!picture.isEmpty())
            CURL_ReadInternetFile(URL_NEWVER(), picture.toLocal8Bit().constData(), nullptr, 0);
    }
    return true;
}
