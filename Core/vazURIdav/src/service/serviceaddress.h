// Addresses of the maker's web services. Each service's base address
// ("https://host" or "http://host:port") comes from an environment variable,
// read at every request; unset or empty, the service has no address and the
// engine makes no request for it.
#pragma once

#include <string>

namespace zd
{

constexpr const char* kNewsServiceEnv = "ZDHELPER_NEWS_SERVICE";
constexpr const char* kNewsServicePath = "/cgi-bin/popupad";
constexpr const char* kFeedbackServiceEnv = "ZDHELPER_FEEDBACK_SERVICE";
constexpr const char* kFeedbackServicePath = "/cgi-bin/feedback";
constexpr const char* kStatsServiceEnv = "ZDHELPER_STATS_SERVICE";
constexpr const char* kStatsServicePath = "/cgi-bin/stats";

// The base address of the variable, less trailing "/", followed by path;
// empty when the variable is unset or blank.
std::string serviceUrl(const char* envName, const char* path);

// text with every byte but the unreserved ones of RFC 3986 as %XX.
std::string percentEncode(const std::string& text);

} // namespace zd
