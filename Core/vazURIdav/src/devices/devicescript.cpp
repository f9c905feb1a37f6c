#include "devices/devicescript.h"

#include "core/regularfile.h"
#include "core/text.h"

#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>

namespace zd
{

namespace
{

using json = nlohmann::json;

// Reads obj[key] as an integer within [min, max]; a missing key leaves out
// unchanged. Anything else sets error.
bool readInt(const json& obj, const char* key, long long min, long long max, long long& out,
             std::string& error)
{
    auto it = obj.find(key);
    if (it == obj.end() || it->is_null())
        return true;
    long long value = 0;
    if (it->is_boolean()) {
        value = it->get<bool>() ? 1 : 0;
    } else if (it->is_number_unsigned()) {
        const uint64_t u = it->get<uint64_t>();
        if (u > static_cast<uint64_t>(std::numeric_limits<long long>::max())) {
            error = std::string("\"") + key + "\" out of range";
            return false;
        }
        value = static_cast<long long>(u);
    } else if (it->is_number_integer()) {
        value = it->get<int64_t>();
    } else {
        error = std::string("\"") + key + "\" is not an integer";
        return false;
    }
    if (value < min || value > max) {
        error = std::string("\"") + key + "\" out of range";
        return false;
    }
    out = value;
    return true;
}

template <typename T>
bool readField(const json& obj, const char* key, long long min, long long max, T& field,
               std::string& error)
{
    long long value = static_cast<long long>(field);
    if (!readInt(obj, key, min, max, value, error))
        return false;
    field = static_cast<T>(value);
    return true;
}

bool readText(const json& obj, const char* key, char* field, size_t size, bool& present,
              std::string& error)
{
    present = false;
    auto it = obj.find(key);
    if (it == obj.end() || it->is_null())
        return true;
    if (!it->is_string()) {
        error = std::string("\"") + key + "\" is not a text";
        return false;
    }
    copyText(field, size, it->get_ref<const std::string&>());
    present = true;
    return true;
}

bool readFormat(const json& obj, DEV_CAPACITY& f, std::string& error)
{
    if (!obj.is_object()) {
        error = "a format is not an object";
        return false;
    }
    f = DEV_CAPACITY{};
    if (!readField(obj, "width", 0, 16384, f.width, error) ||
        !readField(obj, "height", 0, 16384, f.height, error) ||
        !readField(obj, "fps", 0, 1000, f.fps, error))
        return false;
    auto fourcc = obj.find("fourcc");
    if (fourcc != obj.end() && !fourcc->is_null()) {
        if (fourcc->is_string()) {
            const std::string& text = fourcc->get_ref<const std::string&>();
            if (text.size() != 4) {
                error = "\"fourcc\" is not four characters";
                return false;
            }
            f.fourcc = fourccFromText(text);
        } else if (!readField(obj, "fourcc", 0, 0xFFFFFFFFLL, f.fourcc, error)) {
            return false;
        }
    }
    bool present = false;
    if (!readText(obj, "codec", f.codecName, sizeof f.codecName, present, error))
        return false;
    auto choices = obj.find("fpsChoices");
    if (choices != obj.end() && !choices->is_null()) {
        if (!choices->is_array() || choices->size() > 2) {
            error = "\"fpsChoices\" is not a list of at most two rates";
            return false;
        }
        for (size_t i = 0; i < choices->size(); ++i) {
            const json& c = (*choices)[i];
            if (!c.is_number_integer() || c.get<int64_t>() < 0 || c.get<int64_t>() > 1000) {
                error = "\"fpsChoices\" holds a bad rate";
                return false;
            }
            f.fpsChoices[i] = static_cast<int32_t>(c.get<int64_t>());
        }
    }
    return true;
}

bool readAmp(const json& list, VIDEOAMPVALUE& amp, std::string& error)
{
    if (!list.is_array() || list.size() > 10) {
        error = "\"amp\" is not a list of at most ten controls";
        return false;
    }
    amp = VIDEOAMPVALUE{};
    constexpr long long lo = std::numeric_limits<int32_t>::min();
    constexpr long long hi = std::numeric_limits<int32_t>::max();
    for (size_t i = 0; i < list.size(); ++i) {
        const json& item = list[i];
        if (!item.is_object()) {
            error = "an \"amp\" control is not an object";
            return false;
        }
        VIDEOAMPITEM v{};
        int32_t value = 0, minimum = 0, maximum = 0, def = 0;
        uint8_t automatic = 0;
        if (!readField(item, "value", lo, hi, value, error) ||
            !readField(item, "min", lo, hi, minimum, error) ||
            !readField(item, "max", lo, hi, maximum, error) ||
            !readField(item, "default", lo, hi, def, error) ||
            !readField(item, "auto", 0, 1, automatic, error))
            return false;
        v.value = value;
        v.minimum = minimum;
        v.maximum = maximum;
        v.defaultValue = def;
        v.automatic = automatic;
        amp.items[i] = v;
    }
    return true;
}

bool readSourceInfo(const json& obj, SOURCE_INFO_4K30& info, std::string& error)
{
    if (!obj.is_object()) {
        error = "\"sourceInfo\" is not an object";
        return false;
    }
    info = SOURCE_INFO_4K30{};
    uint16_t signal = 0, width = 0, height = 0;
    uint8_t depth = 0, fps = 0, interlaced = 0, hdr = 0;
    if (!readField(obj, "signal", 0, 0xFFFF, signal, error) ||
        !readField(obj, "width", 0, 0xFFFF, width, error) ||
        !readField(obj, "height", 0, 0xFFFF, height, error) ||
        !readField(obj, "bitDepth", 0, 0xFF, depth, error) ||
        !readField(obj, "fps", 0, 0xFF, fps, error) ||
        !readField(obj, "interlaced", 0, 0xFF, interlaced, error) ||
        !readField(obj, "hdr", 0, 0xFF, hdr, error))
        return false;
    info.signal = signal;
    info.width = width;
    info.height = height;
    info.bitDepth = depth;
    info.fps = fps;
    info.interlaced = interlaced;
    info.hdr = hdr;
    return true;
}

bool readDevice(const json& obj, ScriptedDeviceDescription& desc, std::string& error)
{
    if (!obj.is_object()) {
        error = "a device is not an object";
        return false;
    }
    desc = ScriptedDeviceDescription{};
    bool hasName = false, hasPath = false;
    if (!readText(obj, "name", desc.name.name, sizeof desc.name.name, hasName, error) ||
        !readText(obj, "path", desc.name.path, sizeof desc.name.path, hasPath, error))
        return false;
    if (!hasName || desc.name.name[0] == '\0') {
        error = "a device has no name";
        return false;
    }
    if (!hasPath || desc.name.path[0] == '\0')
        copyText(desc.name.path, sizeof desc.name.path, desc.name.name);
    desc.name.kind = ZD_DEVICE_KIND_VIDEO;
    uint32_t kind = desc.name.kind;
    if (!readField(obj, "kind", 0, 0xFFFFFFFFLL, kind, error) ||
        !readField(obj, "openResult", std::numeric_limits<int32_t>::min(),
                   std::numeric_limits<int32_t>::max(), desc.openResult, error) ||
        !readField(obj, "virtual", 0, 1, desc.foreignVirtual, error))
        return false;
    desc.name.kind = kind;

    auto formats = obj.find("formats");
    if (formats != obj.end() && !formats->is_null()) {
        if (!formats->is_array()) {
            error = "\"formats\" is not a list";
            return false;
        }
        for (const json& f : *formats) {
            if (desc.formats.size() >= ZD_MAX_CAPACITIES)
                break;
            DEV_CAPACITY format{};
            if (!readFormat(f, format, error))
                return false;
            desc.formats.push_back(format);
        }
    }
    auto amp = obj.find("amp");
    if (amp != obj.end() && !amp->is_null()) {
        if (!readAmp(*amp, desc.amp, error))
            return false;
        desc.hasAmp = true;
    }
    auto info = obj.find("sourceInfo");
    if (info != obj.end() && !info->is_null()) {
        if (!readSourceInfo(*info, desc.sourceInfo, error))
            return false;
        desc.hasSourceInfo = true;
    }
    auto pictures = obj.find("pictures");
    if (pictures != obj.end() && !pictures->is_null()) {
        const std::string name = pictures->is_string() ? pictures->get<std::string>() : "";
        if (name == "testsrc2") {
            desc.pictures = ScriptedDeviceDescription::Pictures::Testsrc2;
        } else if (name == "flash") {
            desc.pictures = ScriptedDeviceDescription::Pictures::Flash;
        } else {
            error = "\"pictures\" names no picture source";
            return false;
        }
    }
    auto sound = obj.find("sound");
    if (sound != obj.end() && !sound->is_null()) {
        if (!sound->is_string() || sound->get<std::string>() != "beep") {
            error = "\"sound\" names no sound source";
            return false;
        }
        desc.sound = ScriptedDeviceDescription::Sound::Beep;
    }
    if (!readField(obj, "soundClockHz", 47000, 49000, desc.soundClockHz, error))
        return false;
    auto pulse = obj.find("pulse");
    if (pulse != obj.end() && !pulse->is_null()) {
        if (!pulse->is_object()) {
            error = "\"pulse\" is not an object";
            return false;
        }
        if (!readField(*pulse, "periodMs", 100, 60000, desc.pulsePeriodMs, error) ||
            !readField(*pulse, "lengthMs", 1, desc.pulsePeriodMs - 1, desc.pulseLengthMs, error) ||
            !readField(*pulse, "offsetMs", -60000, 60000, desc.pulseOffsetMs, error))
            return false;
        if (desc.pulseLengthMs >= desc.pulsePeriodMs) {
            error = "a pulse as long as its period";
            return false;
        }
    }
    return true;
}

json parseJson(const char* data, size_t size)
{
    if (!data)
        return json(json::value_t::discarded);
    // No exceptions, no comments; a parse error gives a discarded value.
    return json::parse(data, data + size, nullptr, false, false);
}

} // namespace

bool DeviceScript::parse(const char* data, size_t size, std::vector<ScriptedDeviceDescription>& out,
                         std::string& error)
{
    out.clear();
    try {
        if (size > kMaxFileBytes) {
            error = "the script is too large";
            return false;
        }
        const json doc = parseJson(data, size);
        if (doc.is_discarded()) {
            error = "the script is not valid JSON";
            return false;
        }
        const json* list = &doc;
        if (doc.is_object()) {
            auto it = doc.find("devices");
            if (it == doc.end()) {
                error = "the script has no \"devices\"";
                return false;
            }
            list = &*it;
        }
        if (!list->is_array()) {
            error = "\"devices\" is not a list";
            return false;
        }
        for (const json& d : *list) {
            if (out.size() >= kMaxDevices)
                break;
            ScriptedDeviceDescription desc;
            if (!readDevice(d, desc, error)) {
                out.clear();
                return false;
            }
            out.push_back(desc);
        }
        return true;
    } catch (const std::exception& e) {
        error = e.what();
    }
    out.clear();
    return false;
}

bool DeviceScript::parseDevice(const char* data, size_t size, ScriptedDeviceDescription& out,
                               std::string& error)
{
    try {
        if (size > kMaxFileBytes) {
            error = "the device is too large";
            return false;
        }
        const json doc = parseJson(data, size);
        if (doc.is_discarded()) {
            error = "the device is not valid JSON";
            return false;
        }
        return readDevice(doc, out, error);
    } catch (const std::exception& e) {
        error = e.what();
    }
    return false;
}

bool DeviceScript::loadFile(const std::string& path, std::vector<ScriptedDeviceDescription>& out,
                            std::string& error)
{
    out.clear();
    std::string data;
    switch (readRegularFile(path, {kMaxFileBytes, false, true}, data)) {
    case RegularFileRead::Ok:
        break;
    case RegularFileRead::CannotOpen:
        error = "the script cannot be opened";
        return false;
    case RegularFileRead::NotRegular:
    case RegularFileRead::TooLarge:
        error = "the script is not a regular file of at most 1 MiB";
        return false;
    }
    return parse(data.data(), data.size(), out, error);
}

} // namespace zd
