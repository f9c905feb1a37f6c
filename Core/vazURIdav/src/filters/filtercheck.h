// The one test every filter string passes before the engine keeps it: the
// text must be a single video filter with one input and one output, as
// libavfilter parses it. Graph syntax (labels, ";", "," chains) and the
// filters that open files, sockets or command streams of their own are
// refused.
#pragma once

#include <string>

namespace zd
{

// True when text is such a filter; otherwise why holds the reason.
bool checkVideoFilter(const std::string& text, std::string& why);

// Whether a filter string does nothing (empty or blanks): kept in a chain as
// a placeholder the user has not filled in yet, never handed to libavfilter.
bool isEmptyFilter(const std::string& text);

} // namespace zd
