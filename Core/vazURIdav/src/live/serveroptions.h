// The options a live server's connection is opened with. FFmpeg's TLS
// layer trusts any certificate unless told otherwise, so an rtmps:// server
// is verified here against the system's certificate authorities (Debian's
// ca-certificates bundle), or against the file VAZURIDAV_CA_FILE names,
// which the tests use for an authority of their own.
#pragma once

#include <string>

extern "C" {
#include <libavutil/dict.h>
}

namespace zd::live
{

inline constexpr const char* kCaFileVariable = "VAZURIDAV_CA_FILE";
inline constexpr const char* kSystemCaFile = "/etc/ssl/certs/ca-certificates.crt";

// The certificate authorities an rtmps:// server must be signed by.
std::string trustedCaFile();

// New options for opening url (the caller frees them with av_dict_free);
// null when the address needs none.
AVDictionary* serverOpenOptions(const std::string& url);

} // namespace zd::live
