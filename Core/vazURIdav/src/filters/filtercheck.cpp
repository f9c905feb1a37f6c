#include "filters/filtercheck.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavutil/avstring.h>
#include <libavutil/avutil.h>
#include <libavutil/opt.h>
}

namespace zd
{
namespace
{

struct GraphDeleter {
    void operator()(AVFilterGraph* graph) const { avfilter_graph_free(&graph); }
};
struct InOutDeleter {
    void operator()(AVFilterInOut* inout) const { avfilter_inout_free(&inout); }
};
struct TokenDeleter {
    void operator()(char* token) const { av_free(token); }
};
using Token = std::unique_ptr<char, TokenDeleter>;

// The filters the filter editor builds, then filters that only work on the
// pixels of the frame they are given. None of them has an option that names
// a file, a URL or a model. Every other filter is refused by name: making a
// filter runs its initialisation, and some act there (load a library, open or
// truncate a file, connect a socket), whether or not the string is then kept.
// Sorted, for the binary search.
const char* const kAllowedFilters[] = {
    "avgblur",
    "boxblur",
    "chromakey",
    "colorbalance",
    "colorchannelmixer",
    "colorcontrast",
    "colorcorrect",
    "colorize",
    "colorkey",
    "colorlevels",
    "colortemperature",
    "convolution",
    "copy",
    "crop",
    "deband",
    "deflate",
    "despill",
    "dilation",
    "drawbox",
    "drawgrid",
    "edgedetect",
    "eq",
    "erosion",
    "exposure",
    "fade",
    "gblur",
    "geq",
    "gradfun",
    "grayworld",
    "hflip",
    "hqdn3d",
    "hsvkey",
    "hue",
    "huesaturation",
    "inflate",
    "lenscorrection",
    "lut",
    "lutrgb",
    "lutyuv",
    "median",
    "monochrome",
    "negate",
    "noise",
    "null",
    "pad",
    "pixelize",
    "prewitt",
    "roberts",
    "rotate",
    "scale",
    "setsar",
    "smartblur",
    "sobel",
    "swapuv",
    "transpose",
    "unsharp",
    "vflip",
    "vibrance",
    "vignette",
};

bool isAllowedName(const std::string& name)
{
    return std::binary_search(std::begin(kAllowedFilters), std::end(kAllowedFilters), name,
                              [](const std::string& a, const std::string& b) { return a < b; });
}

// Option names that point outside the frame: files, URLs, models, libraries.
bool namesOutside(const char* option)
{
    static const char* const parts[] = {"file", "url", "uri",    "path", "model",
                                        "dnn",  "lib", "result", "host", "socket"};
    std::string lower(option);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* p : parts) {
        if (lower.find(p) != std::string::npos)
            return true;
    }
    return false;
}

// Whether the filter's class has an option (or an alias of one) that points
// outside the frame; key null asks about any option at all.
bool classNamesOutside(const AVClass* cls, const char* key)
{
    if (!cls)
        return false;
    const AVOption* wanted = nullptr;
    if (key) {
        wanted = av_opt_find(&cls, key, nullptr, 0, AV_OPT_SEARCH_FAKE_OBJ);
        if (!wanted)
            return false; // libavfilter refuses the unknown option itself
    }
    const AVOption* o = nullptr;
    while ((o = av_opt_next(&cls, o))) {
        if (o->type == AV_OPT_TYPE_CONST)
            continue;
        if ((!wanted || o->offset == wanted->offset) && namesOutside(o->name))
            return true;
    }
    return false;
}

// Goes through the options the way libavfilter reads them (key=value pairs
// separated by ":", a value without key taking the next option in order) and
// refuses any that points outside the frame.
bool checkOptions(const AVFilter* filter, const std::string& options, std::string& why)
{
    const char* args = options.c_str();
    while (*args) {
        char* rawKey = nullptr;
        char* rawValue = nullptr;
        const int r =
            av_opt_get_key_value(&args, "=", ":", AV_OPT_FLAG_IMPLICIT_KEY, &rawKey, &rawValue);
        const Token key(rawKey);
        const Token value(rawValue);
        if (r < 0) {
            why = "the options cannot be read";
            return false;
        }
        if (*args)
            ++args;
        const bool outside =
            key ? namesOutside(key.get()) || classNamesOutside(filter->priv_class, key.get())
                : classNamesOutside(filter->priv_class, nullptr);
        if (outside) {
            why = std::string("option ") + (key ? key.get() : "given by position") + " of filter " +
                  filter->name + " names a file, a URL or a model";
            return false;
        }
    }
    return true;
}

// Cuts the text into a filter name and its options with libavfilter's own
// tokeniser, quotes and escapes included, so that what is checked is what
// libavfilter would make; anything after the one filter (a "," or ";" chain,
// a [label]) is refused.
bool splitSingleFilter(const std::string& text, std::string& name, std::string& options,
                       std::string& why)
{
    static const char blanks[] = " \n\t\r";
    const char* p = text.c_str();
    p += std::strspn(p, blanks);
    if (*p == '[') {
        why = "graph syntax is not accepted";
        return false;
    }
    const Token head(av_get_token(&p, "=,;["));
    if (!head) {
        why = "out of memory";
        return false;
    }
    if (*p == '=') {
        ++p;
        const Token opts(av_get_token(&p, "[],;"));
        if (!opts) {
            why = "out of memory";
            return false;
        }
        options = opts.get();
    }
    p += std::strspn(p, blanks);
    if (*p) {
        why = "graph syntax is not accepted";
        return false;
    }
    name = head.get();
    const size_t at = name.find('@');
    if (at != std::string::npos)
        name.resize(at);
    if (name.empty()) {
        why = "no filter name";
        return false;
    }
    for (char c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') {
            why = "not a filter name";
            return false;
        }
    }
    return true;
}

// Whether a quote is left open, read the way libavfilter's tokeniser reads
// the graph: outside quotes a backslash takes the next character as it is,
// inside them nothing is special but the closing quote. libavfilter would
// take the rest of the text as quoted; a typing slip is refused instead.
bool hasOpenQuote(const std::string& text)
{
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (quoted)
            quoted = text[i] != '\'';
        else if (text[i] == '\\')
            ++i;
        else if (text[i] == '\'')
            quoted = true;
    }
    return quoted;
}

} // namespace

bool isEmptyFilter(const std::string& text)
{
    for (char c : text) {
        if (!std::isspace(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

bool checkVideoFilter(const std::string& text, std::string& why)
{
    if (hasOpenQuote(text)) {
        why = "unterminated quote";
        return false;
    }
    std::string name, options;
    if (!splitSingleFilter(text, name, options, why))
        return false;
    // Decided before libavfilter makes (and so initialises) anything.
    if (!isAllowedName(name)) {
        why = "filter " + name + " is not accepted";
        return false;
    }
    const AVFilter* filter = avfilter_get_by_name(name.c_str());
    if (!filter) {
        why = "no filter " + name;
        return false;
    }
    if (!checkOptions(filter, options, why))
        return false;
    if ((filter->flags & (AVFILTER_FLAG_DYNAMIC_INPUTS | AVFILTER_FLAG_DYNAMIC_OUTPUTS)) ||
        avfilter_filter_pad_count(filter, 0) != 1 || avfilter_filter_pad_count(filter, 1) != 1 ||
        avfilter_pad_get_type(filter->inputs, 0) != AVMEDIA_TYPE_VIDEO ||
        avfilter_pad_get_type(filter->outputs, 0) != AVMEDIA_TYPE_VIDEO) {
        why = "filter " + name + " is not a one-input, one-output video filter";
        return false;
    }

    // Only now libavfilter reads the options, with the filter's own ranges.
    std::unique_ptr<AVFilterGraph, GraphDeleter> graph(avfilter_graph_alloc());
    if (!graph) {
        why = "out of memory";
        return false;
    }
    AVFilterInOut* rawInputs = nullptr;
    AVFilterInOut* rawOutputs = nullptr;
    const int rc = avfilter_graph_parse2(graph.get(), text.c_str(), &rawInputs, &rawOutputs);
    std::unique_ptr<AVFilterInOut, InOutDeleter> inputs(rawInputs);
    std::unique_ptr<AVFilterInOut, InOutDeleter> outputs(rawOutputs);
    if (rc < 0) {
        char error[AV_ERROR_MAX_STRING_SIZE] = {};
        av_strerror(rc, error, sizeof(error));
        why = std::string("libavfilter cannot parse it: ") + error;
        return false;
    }
    if (graph->nb_filters != 1 || !inputs || inputs->next || inputs->name || !outputs ||
        outputs->next || outputs->name) {
        why = "not a single filter with one open input and one open output";
        return false;
    }
    return true;
}

} // namespace zd
