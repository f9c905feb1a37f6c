// The one test every filter string passes before the engine keeps it: the
// text must be a single video filter with one input and one output, as
// libavfilter parses it. Graph syntax (labels, ";", "," chains) is refused,
// and so is every filter outside a list of pixel-only filters and every option
// that names a file, a URL or a model, all decided before libavfilter makes
// the filter, since making it runs its initialisation.
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
