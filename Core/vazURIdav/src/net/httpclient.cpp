#include "net/httpclient.h"

#include "vazURIdav.h"

#include <curl/curl.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace vaz::net
{

namespace
{

struct CurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlHandle = std::unique_ptr<CURL, CurlDeleter>;

void GlobalInit()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

long TotalTimeoutMs()
{
    const char* text = std::getenv("VAZURIDAV_HTTP_TIMEOUT_MS");
    if (text == nullptr || *text == '\0')
        return kTotalTimeoutMs;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 1 || value > 3600L * 1000L)
        return kTotalTimeoutMs;
    return value;
}

// The reply's file is written beside its final name and renamed over it only
// when the whole reply has arrived, so a failed download never leaves half a
// file or destroys an older one.
class PartFile
{
public:
    explicit PartFile(const std::string& finalPath) : finalPath_(finalPath) {}
    ~PartFile() { Discard(); }
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    bool Open()
    {
        static std::atomic<unsigned> counter{0};
        std::random_device random;
        for (int attempt = 0; attempt < 16; ++attempt) {
            partPath_ = finalPath_ + ".part-" + std::to_string(getpid()) + "-" +
                        std::to_string(counter++) + "-" + std::to_string(random());
            // The mode is filtered by the umask, as for any new file of the user.
            fd_ = ::open(partPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ >= 0)
                break;
            if (errno != EEXIST)
                return false;
        }
        if (fd_ < 0)
            return false;
        struct stat existing {
        };
        if (::stat(finalPath_.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
            ::fchmod(fd_, existing.st_mode & 07777);
        return true;
    }

    bool Write(const char* data, size_t bytes)
    {
        while (bytes > 0) {
            const ssize_t written = ::write(fd_, data, bytes);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return false;
            data += written;
            bytes -= static_cast<size_t>(written);
        }
        return true;
    }

    bool Commit()
    {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) {
            ::unlink(partPath_.c_str());
            partPath_.clear();
            return false;
        }
        if (::rename(partPath_.c_str(), finalPath_.c_str()) != 0) {
            ::unlink(partPath_.c_str());
            partPath_.clear();
            return false;
        }
        partPath_.clear();
        return true;
    }

    void Discard()
    {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
        if (!partPath_.empty()) {
            ::unlink(partPath_.c_str());
            partPath_.clear();
        }
    }

private:
    std::string finalPath_;
    std::string partPath_;
    int fd_ = -1;
};

struct Sink {
    std::string kept; // the reply while it fits the caller's buffer
    size_t capacity = 0;
    bool wantsBuffer = false;
    PartFile* file = nullptr;
    size_t total = 0;
    bool tooLarge = false;
    bool fileFailed = false;
};

size_t OnData(char* data, size_t size, size_t count, void* opaque)
{
    auto* sink = static_cast<Sink*>(opaque);
    const size_t bytes = size * count;
    sink->total += bytes;
    if (sink->file != nullptr) {
        if (sink->total > kMaxFileBytes) {
            sink->tooLarge = true;
            return 0;
        }
        if (!sink->file->Write(data, bytes)) {
            sink->fileFailed = true;
            return 0;
        }
    }
    if (sink->wantsBuffer && !sink->tooLarge) {
        if (sink->total <= sink->capacity) {
            sink->kept.append(data, bytes);
        } else {
            sink->tooLarge = true;
            std::string().swap(sink->kept);
        }
    }
    // Past the buffer, the reply is only counted, and only so far.
    if (sink->tooLarge && sink->file == nullptr && sink->total > kMaxCountedBytes)
        return 0;
    return bytes;
}

// curl asks several times a second, also while it connects.
int OnProgress(void* opaque, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<const std::atomic<bool>*>(opaque)->load() ? 1 : 0;
}

const char* ResultText(int result)
{
    switch (result) {
    case kHttpBadArgument:
        return "bad argument";
    case kHttpBadScheme:
        return "address is not http or https";
    case kHttpTransferFailed:
        return "transfer failed";
    case kHttpTimedOut:
        return "timed out";
    case kHttpTooLarge:
        return "reply too large";
    case kHttpBadStatus:
        return "server refused";
    case kHttpFileFailed:
        return "file not written";
    default:
        return "internal error";
    }
}

} // namespace

bool IsFetchableUrl(const std::string& url)
{
    auto startsWith = [&url](const char* prefix) {
        const size_t n = std::strlen(prefix);
        if (url.size() < n)
            return false;
        for (size_t i = 0; i < n; ++i) {
            char c = url[i];
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
            if (c != prefix[i])
                return false;
        }
        return true;
    };
    return startsWith("http://") || startsWith("https://");
}

HttpOutcome Perform(const HttpRequest& request)
{
    HttpOutcome outcome;
    const char* method = request.post ? "POST" : "GET";
    // An address that is not configured is no request at all.
    if (request.url.empty()) {
        outcome.result = kHttpBadArgument;
        return outcome;
    }
    if (!IsFetchableUrl(request.url)) {
        outcome.result = kHttpBadScheme;
        ZD_Log(8, "HTTP %s refused: %s", method, ResultText(outcome.result));
        return outcome;
    }

    GlobalInit();
    CurlHandle curl(curl_easy_init());
    if (!curl) {
        outcome.result = kHttpInternal;
        return outcome;
    }

    std::unique_ptr<PartFile> file;
    if (!request.filePath.empty()) {
        file = std::make_unique<PartFile>(request.filePath);
        if (!file->Open()) {
            outcome.result = kHttpFileFailed;
            ZD_Log(8, "HTTP %s %s: cannot create %s", method, request.url.c_str(),
                   request.filePath.c_str());
            return outcome;
        }
    }

    Sink sink;
    sink.wantsBuffer = request.buffer != nullptr;
    sink.capacity = request.bufferBytes;
    sink.file = file.get();

    const long totalMs = TotalTimeoutMs();
    CURL* h = curl.get();
    curl_easy_setopt(h, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS,
                     totalMs < kConnectTimeoutMs ? totalMs : kConnectTimeoutMs);
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, totalMs);
    curl_easy_setopt(h, CURLOPT_USERAGENT, "vazURIdav");
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, OnData);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
    if (request.cancel != nullptr) {
        curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, OnProgress);
        curl_easy_setopt(h, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(request.cancel));
        curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    }
    if (request.post) {
        curl_easy_setopt(h, CURLOPT_POST, 1L);
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, request.body.data());
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(request.body.size()));
    }

    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers(nullptr,
                                                                        &curl_slist_free_all);
    if (request.post && !request.contentType.empty()) {
        const std::string header = "Content-Type: " + request.contentType;
        headers.reset(curl_slist_append(nullptr, header.c_str()));
        if (!headers) {
            outcome.result = kHttpInternal;
            return outcome;
        }
        curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    }

    const CURLcode code = curl_easy_perform(h);
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &outcome.status);
    outcome.replyBytes = sink.total;

    if (sink.fileFailed) {
        outcome.result = kHttpFileFailed;
    } else if (sink.tooLarge) {
        outcome.result = kHttpTooLarge;
    } else if (code == CURLE_OPERATION_TIMEDOUT) {
        outcome.result = kHttpTimedOut;
    } else if (code == CURLE_UNSUPPORTED_PROTOCOL) {
        outcome.result = kHttpBadScheme;
    } else if (code != CURLE_OK) {
        outcome.result = kHttpTransferFailed;
    } else if (outcome.status < 200 || outcome.status > 299) {
        outcome.result = kHttpBadStatus;
    } else {
        outcome.result = kHttpOk;
    }

    if (outcome.result == kHttpOk && file && !file->Commit())
        outcome.result = kHttpFileFailed;

    if (outcome.result != kHttpOk) {
        if (file)
            file->Discard();
        if (outcome.result != kHttpTooLarge)
            outcome.replyBytes = 0;
        ZD_Log(8, "HTTP %s %s failed: %s (curl %d, status %ld)", method, request.url.c_str(),
               ResultText(outcome.result), static_cast<int>(code), outcome.status);
        return outcome;
    }

    if (request.buffer != nullptr && !sink.kept.empty())
        std::memcpy(request.buffer, sink.kept.data(), sink.kept.size());
    return outcome;
}

} // namespace vaz::net
