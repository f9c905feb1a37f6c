#include "filters/filtercheck.h"

#include <cctype>
#include <memory>

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavutil/avutil.h>
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

// Filters that read other inputs or take commands from outside the chain.
bool isDenied(const std::string& name)
{
    static const char* const denied[] = {"movie", "amovie", "zmq", "azmq", "sendcmd", "asendcmd"};
    for (const char* d : denied) {
        if (name == d)
            return true;
    }
    return false;
}

// Finds, outside quotes and escapes, the first of the characters that make a
// description more than one filter; also cuts the filter name (before "=").
bool splitSingleFilter(const std::string& text, std::string& name, std::string& why)
{
    bool quoted = false;
    size_t nameEnd = std::string::npos;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\') {
            ++i;
            continue;
        }
        if (c == '\'') {
            quoted = !quoted;
            continue;
        }
        if (quoted)
            continue;
        if (c == ',' || c == ';' || c == '[' || c == ']') {
            why = "graph syntax is not accepted";
            return false;
        }
        if (c == '=' && nameEnd == std::string::npos)
            nameEnd = i;
    }
    if (quoted) {
        why = "unterminated quote";
        return false;
    }
    std::string head = text.substr(0, nameEnd);
    const size_t at = head.find('@');
    if (at != std::string::npos)
        head.resize(at);
    size_t b = 0, e = head.size();
    while (b < e && std::isspace(static_cast<unsigned char>(head[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(head[e - 1])))
        --e;
    name = head.substr(b, e - b);
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
    std::string name;
    if (!splitSingleFilter(text, name, why))
        return false;
    // Decided by name before libavfilter initialises anything, since some
    // filters act on their options as soon as they are made.
    if (isDenied(name)) {
        why = "filter " + name + " is not accepted";
        return false;
    }
    const AVFilter* filter = avfilter_get_by_name(name.c_str());
    if (!filter) {
        why = "no filter " + name;
        return false;
    }
    if ((filter->flags & (AVFILTER_FLAG_DYNAMIC_INPUTS | AVFILTER_FLAG_DYNAMIC_OUTPUTS)) ||
        avfilter_filter_pad_count(filter, 0) != 1 || avfilter_filter_pad_count(filter, 1) != 1 ||
        avfilter_pad_get_type(filter->inputs, 0) != AVMEDIA_TYPE_VIDEO ||
        avfilter_pad_get_type(filter->outputs, 0) != AVMEDIA_TYPE_VIDEO) {
        why = "filter " + name + " is not a one-input, one-output video filter";
        return false;
    }

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
