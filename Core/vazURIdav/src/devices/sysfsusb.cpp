#include "devices/sysfsusb.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace zd
{

namespace fs = std::filesystem;

namespace
{

// Deep enough for any USB hub chain below a PCI controller.
constexpr int kMaxWalkUp = 24;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string trimmed(const std::string& text)
{
    size_t begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

bool present(const fs::path& p)
{
    std::error_code ec;
    return fs::exists(p, ec);
}

} // namespace

bool SysfsUsb::readAttribute(const std::string& path, std::string& text)
{
    text.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    char buffer[kMaxAttributeBytes];
    in.read(buffer, sizeof buffer);
    const std::streamsize n = in.gcount();
    if (n <= 0 && !in.eof())
        return false;
    text.assign(buffer, static_cast<size_t>(n < 0 ? 0 : n));
    const size_t newline = text.find('\n');
    if (newline != std::string::npos)
        text.resize(newline);
    return true;
}

bool SysfsUsb::parseHexId(const std::string& text, uint16_t& id)
{
    const std::string t = trimmed(text);
    if (t.empty() || t.size() > 4)
        return false;
    unsigned value = 0;
    for (char c : t) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    id = static_cast<uint16_t>(value);
    return true;
}

bool SysfsUsb::parseNumber(const std::string& text, long long max, long long& value)
{
    const std::string t = trimmed(text);
    if (t.empty() || t.size() > 18)
        return false;
    long long v = 0;
    for (char c : t) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    if (v > max)
        return false;
    value = v;
    return true;
}

std::string SysfsUsb::cleanField(const std::string& text)
{
    std::string out;
    for (char c : trimmed(text)) {
        if (out.size() >= kMaxFieldBytes)
            break;
        const unsigned char u = static_cast<unsigned char>(c);
        out.push_back(u > 0x20 && u < 0x7F && c != '#' ? c : '_');
    }
    return out;
}

UsbIdentity SysfsUsb::lookup(const std::string& sysRoot, const std::string& classEntry)
{
    UsbIdentity id;
    std::error_code ec;
    const fs::path root = fs::canonical(sysRoot, ec);
    if (ec)
        return id;
    fs::path dir = fs::canonical(fs::path(sysRoot) / classEntry / "device", ec);
    if (ec)
        return id;
    std::string text;
    for (int depth = 0; depth < kMaxWalkUp; ++depth) {
        // Never leave the sysfs tree, whatever its links say.
        const std::string here = dir.string();
        if (here.size() <= root.string().size() ||
            here.compare(0, root.string().size(), root.string()) != 0)
            break;
        // sysfs writes the interface number in hex ("0a").
        uint16_t number = 0;
        if (id.interfaceNumber < 0 && readAttribute((dir / "bInterfaceNumber").string(), text) &&
            parseHexId(text, number) && number <= 255)
            id.interfaceNumber = number;
        if (present(dir / "idVendor") && present(dir / "idProduct")) {
            std::string vendor, product;
            if (!readAttribute((dir / "idVendor").string(), vendor) ||
                !readAttribute((dir / "idProduct").string(), product) ||
                !parseHexId(vendor, id.vendorId) || !parseHexId(product, id.productId))
                return UsbIdentity{};
            if (readAttribute((dir / "serial").string(), text))
                id.serial = cleanField(text);
            id.port = cleanField(dir.filename().string());
            if (readAttribute((dir / "product").string(), text))
                id.product = text;
            id.usb = true;
            return id;
        }
        dir = dir.parent_path();
    }
    return UsbIdentity{};
}

std::string SysfsUsb::devicePath(const UsbIdentity& id, const std::string& node)
{
    char ids[32];
    std::snprintf(ids, sizeof ids, "VID_%04X&PID_%04X", id.vendorId, id.productId);
    const std::string& where = id.serial.empty() ? id.port : id.serial;
    return std::string("USB#") + ids + "#" + where + "#" + node;
}

} // namespace zd
