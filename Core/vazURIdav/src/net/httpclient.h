// HTTP client of the engine: one blocking request per call, bounded in time and
// in the bytes it keeps, over libcurl. Used by ZD_ReadInternetFile and
// ZD_PostInternetData; safe to call from several threads at once.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>

namespace vaz::net
{

// Results; 0 is success, as the two entry points promise the application.
enum HttpResult : int {
    kHttpOk = 0,
    kHttpBadArgument = 1, // no address, or an inconsistent buffer and size
    kHttpBadScheme = 2,   // only http:// and https:// are fetched
    kHttpTransferFailed = 3,
    kHttpTimedOut = 4,
    kHttpTooLarge = 5,   // the reply does not fit the caller's buffer or the file limit
    kHttpBadStatus = 6,  // the server answered, but not with 2xx
    kHttpFileFailed = 7, // the reply could not be written to the asked-for file
    kHttpInternal = 8,
};

struct HttpRequest {
    std::string url;
    bool post = false;
    std::string body;        // sent when post is set
    std::string contentType; // of the body; empty: libcurl's form type
    std::string filePath;    // empty: no file; else replaced whole on success only
    char* buffer = nullptr;  // null: no copy
    size_t bufferBytes = 0;  // capacity of buffer
    // Set by another thread, ends the transfer soon (kHttpTransferFailed).
    const std::atomic<bool>* cancel = nullptr;
};

struct HttpOutcome {
    int result = kHttpInternal;
    // Bytes of the reply body. On kHttpTooLarge, the bytes seen before giving up,
    // which is the whole length when the reply ended within the counting limit.
    size_t replyBytes = 0;
    long status = 0;
};

// A reply longer than the caller's buffer is still counted (not stored) up to
// this many bytes, so that the caller learns its length.
constexpr size_t kMaxCountedBytes = 64u * 1024u * 1024u;
// Largest reply written to a file.
constexpr size_t kMaxFileBytes = 256u * 1024u * 1024u;
// Time limits; VAZURIDAV_HTTP_TIMEOUT_MS overrides the total.
constexpr long kConnectTimeoutMs = 10000;
constexpr long kTotalTimeoutMs = 30000;

HttpOutcome Perform(const HttpRequest& request);

// True for an address that starts with http:// or https:// (any case).
bool IsFetchableUrl(const std::string& url);

} // namespace vaz::net
