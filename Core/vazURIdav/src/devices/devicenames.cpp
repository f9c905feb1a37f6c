#include "devices/devicenames.h"

#include "core/text.h"

#include <map>
#include <string>

namespace zd
{

void DeviceNames::makeDistinct(const std::vector<DEV_NAME*>& devices)
{
    std::map<std::string, int> names, paths;
    for (DEV_NAME* d : devices) {
        const std::string name = boundedText(d->name, sizeof d->name);
        const std::string path = boundedText(d->path, sizeof d->path);
        const int nameCopy = ++names[name];
        const int pathCopy = ++paths[path];
        if (nameCopy > 1) {
            const std::string suffix = " (" + std::to_string(nameCopy) + ")";
            const size_t keep = utf8Fit(name, sizeof d->name - 1 - suffix.size());
            copyText(d->name, sizeof d->name, name.substr(0, keep) + suffix);
        }
        if (pathCopy > 1) {
            const std::string suffix = "#" + std::to_string(pathCopy);
            copyText(d->path, sizeof d->path,
                     path.substr(0, sizeof d->path - 1 - suffix.size()) + suffix);
        }
    }
}

} // namespace zd
