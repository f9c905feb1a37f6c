#include "service/statsevent.h"

#include "core/text.h"

#include <nlohmann/json.hpp>

namespace zd
{

namespace
{

std::string cut(const std::string& text)
{
    return text.substr(0, utf8Fit(text, kMaxStatsTextBytes));
}

} // namespace

std::string statsEventBody(const StatsApp& app, const StatsEvent& event, int64_t timeSeconds)
{
    nlohmann::json body;
    body["product"] = cut(app.product);
    body["name"] = cut(app.name);
    body["version"] = cut(app.version);
    body["event"] = cut(event.event);
    body["key"] = cut(event.key);
    body["value"] = cut(event.value);
    body["time"] = timeSeconds;
    return body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

} // namespace zd
