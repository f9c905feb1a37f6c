// One engine handle: the report thread, the devices, the open device and the
// components that modules attach. Every method may be called from any thread.
#pragma once

#include "core/enginecomponent.h"
#include "core/reportqueue.h"
#include "devices/devicenotification.h"

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <typeindex>
#include <typeinfo>
#include <utility>
#include <vector>

namespace zd
{

class DeviceManager;
class DeviceSession;

struct EngineConfig {
    std::string appDataDir;
    std::string programDir;
    std::string resourceDir;
    std::string appName;
    std::string appVersion;
};

class Engine
{
public:
    // Longest text a report carries; longer ones are cut.
    static constexpr size_t kMaxKeptText = 64 * 1024;

    explicit Engine(EngineConfig config);
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Starts the report thread and reads the scripted devices.
    void start();
    // Stops the components and the report thread; afterwards no report is
    // made. Idempotent.
    void shutdown();
    bool stopping() const;

    const EngineConfig& config() const { return m_config; }
    DeviceManager& devices() { return *m_devices; }
    DeviceSession& session() { return *m_session; }

    // Queues a report for the callback (sync 0). False once stopping.
    bool post(void* target, unsigned int msg, unsigned long wParam = 0, long long lParam = 0,
              void* ptr = nullptr);
    // Where a report's text goes: ptr (most reports), lParam (36970) or both
    // (9800, whose receivers read lParam).
    enum TextPlace { TextInPtr = 1, TextInLParam = 2, TextInBoth = 3 };
    // Queues a report carrying a kept copy of text.
    bool postText(void* target, unsigned int msg, unsigned long wParam, const std::string& text,
                  TextPlace place, long long lParam = 0);
    bool waitReportsDelivered(int timeoutMs);

    // A copy of text that stays valid until the handle is released, for the
    // texts that reports carry.
    char* keepText(const std::string& text);
    // The same for a device notification (the ptr of 8965).
    const DeviceNotification* keepNotification(const DeviceNotification& notification);
    // Copies a notification this engine made; false for any other pointer.
    bool findNotification(const void* pointer, DeviceNotification& out) const;

    // The component of type T, or null while none was made.
    template <typename T> T* find() const { return static_cast<T*>(findType(typeid(T))); }
    // The component of type T, made with T(Engine&) on first use; null once
    // the engine is stopping.
    template <typename T> T* component()
    {
        return static_cast<T*>(attachIfMissing(
            typeid(T), [this] { return std::unique_ptr<EngineComponent>(new T(*this)); }));
    }
    EngineFlags flags() const;

private:
    EngineComponent* findType(std::type_index type) const;
    EngineComponent* findLocked(std::type_index type) const; // m_mutex held
    EngineComponent* attachIfMissing(std::type_index type,
                                     const std::function<std::unique_ptr<EngineComponent>()>& make);

    const EngineConfig m_config;
    ReportQueue m_reports;
    std::unique_ptr<DeviceManager> m_devices;
    std::unique_ptr<DeviceSession> m_session;

    mutable std::mutex m_mutex;
    bool m_stopping = false;
    std::deque<std::unique_ptr<char[]>> m_texts;
    std::deque<std::unique_ptr<DeviceNotification>> m_notifications;
    std::vector<std::pair<std::type_index, std::unique_ptr<EngineComponent>>> m_components;
};

} // namespace zd
