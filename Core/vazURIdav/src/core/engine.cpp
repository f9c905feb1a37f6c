#include "core/engine.h"

#include "core/log.h"
#include "core/text.h"
#include "devices/devicemanager.h"
#include "devices/devicescript.h"
#include "devices/devicesession.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace zd
{

Engine::Engine(EngineConfig config)
    : m_config(std::move(config)), m_devices(std::make_unique<DeviceManager>()),
      m_session(std::make_unique<DeviceSession>(*this))
{
}

Engine::~Engine()
{
    shutdown();
}

void Engine::start()
{
    m_reports.start();
    const char* script = std::getenv("VAZURIDAV_DEVICES");
    if (script && script[0]) {
        std::vector<ScriptedDeviceDescription> descs;
        std::string error;
        if (DeviceScript::loadFile(script, descs, error)) {
            for (const ScriptedDeviceDescription& desc : descs)
                m_devices->addScripted(desc);
            Log::write(2, "vazURIdav: %zu scripted devices from %s", descs.size(), script);
        } else {
            Log::write(8, "vazURIdav: device script %s ignored: %s", script, error.c_str());
        }
    }
}

void Engine::shutdown()
{
    std::vector<EngineComponent*> components;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stopping)
            return;
        m_stopping = true;
        for (auto& slot : m_components)
            components.push_back(slot.second.get());
    }
    for (auto it = components.rbegin(); it != components.rend(); ++it) {
        try {
            (*it)->stop();
        } catch (...) {
            Log::write(8, "vazURIdav: a component failed to stop.");
        }
    }
    m_session->shutdown();
    m_reports.stop();
}

bool Engine::stopping() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stopping;
}

bool Engine::post(void* target, unsigned int msg, unsigned long wParam, long long lParam, void* ptr)
{
    Report report;
    report.target = target;
    report.msg = msg;
    report.wParam = wParam;
    report.lParam = lParam;
    report.ptr = ptr;
    return m_reports.post(report);
}

bool Engine::postText(void* target, unsigned int msg, unsigned long wParam, const std::string& text,
                      TextPlace place, long long lParam)
{
    if (stopping())
        return false;
    char* kept = keepText(text);
    if (place & TextInLParam)
        lParam = static_cast<long long>(reinterpret_cast<intptr_t>(kept));
    return post(target, msg, wParam, lParam, (place & TextInPtr) ? kept : nullptr);
}

bool Engine::waitReportsDelivered(int timeoutMs)
{
    return m_reports.waitIdle(timeoutMs);
}

char* Engine::keepText(const std::string& text)
{
    const size_t n = utf8Fit(text, kMaxKeptText);
    auto copy = std::make_unique<char[]>(n + 1);
    std::memcpy(copy.get(), text.data(), n);
    copy[n] = '\0';
    std::lock_guard<std::mutex> lock(m_mutex);
    m_texts.push_back(std::move(copy));
    return m_texts.back().get();
}

const DeviceNotification* Engine::keepNotification(const DeviceNotification& notification)
{
    auto copy = std::make_unique<DeviceNotification>(notification);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_notifications.push_back(std::move(copy));
    return m_notifications.back().get();
}

bool Engine::findNotification(const void* pointer, DeviceNotification& out) const
{
    if (!pointer)
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    // Only pointers this engine handed out are read: the application passes
    // back whatever ptr it received.
    for (const auto& n : m_notifications) {
        if (n.get() == pointer) {
            out = *n;
            return true;
        }
    }
    return false;
}

EngineComponent* Engine::findLocked(std::type_index type) const
{
    for (const auto& slot : m_components) {
        if (slot.first == type)
            return slot.second.get();
    }
    return nullptr;
}

EngineComponent* Engine::findType(std::type_index type) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return findLocked(type);
}

EngineComponent*
Engine::attachIfMissing(std::type_index type,
                        const std::function<std::unique_ptr<EngineComponent>()>& make)
{
    if (EngineComponent* existing = findType(type))
        return existing;
    if (stopping())
        return nullptr;
    // Made outside the lock: a constructor may call back into the engine.
    std::unique_ptr<EngineComponent> made = make();
    std::lock_guard<std::mutex> lock(m_mutex);
    if (EngineComponent* existing = findLocked(type))
        return existing;
    if (m_stopping)
        return nullptr;
    m_components.emplace_back(type, std::move(made));
    return m_components.back().second.get();
}

EngineFlags Engine::flags() const
{
    // Components stay until the engine is destroyed, so the pointers taken
    // under the lock stay good while they are asked without it.
    std::vector<const EngineComponent*> components;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto& slot : m_components)
            components.push_back(slot.second.get());
    }
    EngineFlags flags;
    for (const EngineComponent* c : components)
        c->addFlags(flags);
    return flags;
}

} // namespace zd
