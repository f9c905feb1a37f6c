#include "devices/devicechanges.h"

#include "core/text.h"

#include <set>
#include <string>

namespace zd
{

namespace
{

std::set<std::string> pathsOf(const std::vector<DEV_NAME>& list)
{
    std::set<std::string> paths;
    for (const DEV_NAME& d : list)
        paths.insert(boundedText(d.path, sizeof d.path));
    return paths;
}

} // namespace

std::vector<DeviceChange> DeviceChanges::between(const std::vector<DEV_NAME>& before,
                                                 const std::vector<DEV_NAME>& after)
{
    const std::set<std::string> was = pathsOf(before), is = pathsOf(after);
    std::vector<DeviceChange> changes;
    for (const DEV_NAME& d : before) {
        if (!is.count(boundedText(d.path, sizeof d.path)))
            changes.push_back({true, d});
    }
    for (const DEV_NAME& d : after) {
        if (!was.count(boundedText(d.path, sizeof d.path)))
            changes.push_back({false, d});
    }
    return changes;
}

} // namespace zd
