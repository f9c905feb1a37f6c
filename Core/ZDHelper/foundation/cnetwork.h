// Web requests of the application, all made by the engine, and the version
// check of the update thread.
#pragma once

#include <QString>

class CNetwork
{
public:
    // Reply size limit of one request.
    static constexpr int kReplyBufferBytes = 2097152;

    // GET url; 0 with a malloc'ed reply (the caller frees it) in data and its
    // length, else the engine's error code with nothing handed out.
    int HttpGet(const char* url, char** data, int* length);
    // The same over POST with body.
    int HttpPost(const char* url, char* body, char** data, int* length);
};

CNetwork* getNetworkInstance();

// The engine's result of saving the reply of url to filePath.
int HttpDowload(const char* url, const char* filePath);

// GET url; the reply goes to filePath (when given) and into buffer (when given
// and the reply fits bufferSize; no terminator is added). Returns the reply's
// length, also when it did not fit, or 0 on failure.
int CURL_ReadInternetFile(const QString& url, const char* filePath, char* buffer, int bufferSize);

// Asks the version service for the newest version. number and build start as
// the program's own; true when a reply came. When the reply named anything, the
// new-version picture is fetched into a temporary file whose path goes into
// picture.
bool CheckNewVersion2(QString& version, int& number, int& build, QString& picture);

// Reads the "<v>", "<i>" and "<b>" elements of a version reply (at most 1024
// bytes, up to the first zero byte) into version, number and build. Returns
// the length of the content of the last element found in the order v, i, b
// (negative when its closing tag came first), or 0 when none was found.
int ParseVersionReply(const char* reply, int length, QString& version, int& number, int& build);
