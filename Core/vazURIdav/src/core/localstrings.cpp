#include "core/localstrings.h"

#include "core/text.h"

#include <map>
#include <mutex>

namespace zd
{

namespace
{

struct Texts {
    std::mutex mutex;
    std::map<int, std::string> byId;
};

Texts& texts()
{
    static Texts* t = new Texts;
    return *t;
}

} // namespace

bool LocalStrings::set(int id, const std::string& text)
{
    if (id < 0 || id > kMaxId)
        return false;
    std::lock_guard<std::mutex> lock(texts().mutex);
    texts().byId[id] = text.substr(0, utf8Fit(text, kMaxTextBytes));
    return true;
}

std::string LocalStrings::get(int id)
{
    std::lock_guard<std::mutex> lock(texts().mutex);
    auto it = texts().byId.find(id);
    return it == texts().byId.end() ? std::string() : it->second;
}

} // namespace zd
