#include "enum_usb_device.h"

#include "zdrequestfolder.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

CUSBDevArray g_usbDevices;

namespace
{

// One sysfs attribute, without its line end; empty when unreadable.
CString readAttribute(const char* folder, const char* name)
{
    CString path;
    path.Format("%s/%s", folder, name);
    const int fd = ::open(path.GetPtr(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return CString();
    char buffer[256];
    ssize_t n;
    do {
        n = ::read(fd, buffer, sizeof buffer - 1);
    } while (n < 0 && errno == EINTR);
    ::close(fd);
    if (n <= 0)
        return CString();
    buffer[n] = '\0';
    CString value(buffer);
    value.TrimRight('\n');
    return value;
}

// A number of the attribute; -1 when it holds none.
long numberAttribute(const char* folder, const char* name, int base)
{
    const CString text = readAttribute(folder, name);
    if (text.IsEmpty())
        return -1;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.GetPtr(), &end, base);
    if (errno || end == text.GetPtr() || *end != '\0' || value < 0)
        return -1;
    return value;
}

// The port the device hangs from: the last step of its path down the hubs
// ("1.4" is port 4 of the hub on port 1); root hubs have none.
int portNumber(const char* folder)
{
    const CString devpath = readAttribute(folder, "devpath");
    if (devpath.IsEmpty())
        return 0;
    const int dot = devpath.ReverseFind('.');
    const CString last = dot < 0 ? devpath : devpath.Mid(dot + 1);
    char* end = nullptr;
    const long port = std::strtol(last.GetPtr(), &end, 10);
    if (end == last.GetPtr() || *end != '\0' || port < 0)
        return 0;
    return static_cast<int>(port & 0xFF);
}

bool writeAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace

const char* UsbSysRoot()
{
    const char* root = std::getenv("PLUGWARDEN_SYS_ROOT");
    return root && root[0] == '/' ? root : "/sys";
}

CString UsbDevicePath(int port, int bus, int vid, int pid, int subclass, int deviceClass)
{
    CString path;
    path.Format("path_%04x-%02x-%02x-%04x-%04x-%02x-%02x", 0, port & 0xFF, bus & 0xFF, vid & 0xFFFF,
                pid & 0xFFFF, subclass & 0xFF, deviceClass & 0xFF);
    return path;
}

bool usbDeviceInsertEvent(const char* folder)
{
    const long vid = numberAttribute(folder, "idVendor", 16);
    const long pid = numberAttribute(folder, "idProduct", 16);
    if (vid < 0 || pid < 0 || vid > 0xFFFF || pid > 0xFFFF)
        return false; // an interface, or a device that cannot be read
    const long release = numberAttribute(folder, "bcdDevice", 16);
    const long deviceClass = numberAttribute(folder, "bDeviceClass", 16);
    const long subclass = numberAttribute(folder, "bDeviceSubClass", 16);
    const long bus = numberAttribute(folder, "busnum", 10);
    const long devnum = numberAttribute(folder, "devnum", 10);

    USBDevAddress record;
    record.service =
        (uint32_t(bus < 0 ? 0 : bus & 0xFFFF) << 16) | uint32_t(devnum < 0 ? 0 : devnum & 0xFFFF);
    record.vid = static_cast<uint16_t>(vid);
    record.pid = static_cast<uint16_t>(pid);
    record.release = static_cast<uint16_t>(release < 0 ? 0 : release & 0xFFFF);
    record.path =
        UsbDevicePath(portNumber(folder), bus < 0 ? 0 : int(bus), int(vid), int(pid),
                      subclass < 0 ? 0 : int(subclass), deviceClass < 0 ? 0 : int(deviceClass));
    // A USB string descriptor holds at most 63 characters.
    record.serial = readAttribute(folder, "serial").Left(63);
    g_usbDevices.SetAtGrow(g_usbDevices.GetSize(), record);
    std::printf("Found usb device: vid = 0x%04x pid = 0x%04x,path =%s\n", record.vid, record.pid,
                record.path.GetPtr());
    return true;
}

void usbDeviceRemoveEvent(uint32_t service)
{
    for (int i = g_usbDevices.GetSize() - 1; i >= 0; --i) {
        const USBDevAddress& r = g_usbDevices.ElementAt(i);
        if (r.service != service)
            continue;
        std::printf("usb device removed: vid = 0x%04x pid = 0x%04x,path =%s\n", r.vid, r.pid,
                    r.path.GetPtr());
        g_usbDevices.RemoveAt(i);
    }
}

int StartWatchUSBDeviceChange()
{
    CString devices;
    devices.Format("%s/bus/usb/devices", UsbSysRoot());
    DIR* dir = ::opendir(devices.GetPtr());
    if (!dir) {
        std::printf("error1 IOServiceAddMatchingNotification");
        std::fflush(stdout);
        return -2;
    }
    // Sorted by name, so a snapshot lists the devices in the same order each time.
    CStringArray names;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        int at = names.GetSize();
        while (at > 0 && std::strcmp(names.ElementAt(at - 1).GetPtr(), entry->d_name) > 0)
            --at;
        names.InsertAt(at, CString(entry->d_name));
    }
    ::closedir(dir);

    g_usbDevices.SetSize(0);
    for (int i = 0; i < names.GetSize(); ++i) {
        CString folder;
        folder.Format("%s/%s", devices.GetPtr(), names.ElementAt(i).GetPtr());
        usbDeviceInsertEvent(folder.GetPtr());
    }
    std::fflush(stdout);
    return 0;
}

void dump_all_usb_device(const char* path)
{
    if (!path)
        return;
    // Not through a link, soft or hard, and never into a pipe or a device:
    // opened without blocking, checked, and only then emptied.
    const int fd = zd_open_own_file(path, O_WRONLY | O_CREAT, S_IRUSR | S_IWUSR | S_IRGRP);
    if (fd < 0) {
        if (errno == EMLINK || errno == EINVAL || errno == ELOOP)
            std::printf("USB list %s refused: %s\n", path, std::strerror(errno));
        return;
    }
    if (::ftruncate(fd, 0) != 0) {
        ::close(fd);
        return;
    }
    CString text;
    text.Format("time:%ld\n", static_cast<long>(std::time(nullptr)));
    for (int i = 0; i < g_usbDevices.GetSize(); ++i) {
        const USBDevAddress& r = g_usbDevices.ElementAt(i);
        CString line;
        line.Format("usb:0x%04x:0x%04x:%s\n", r.vid, r.pid, r.path.GetPtr());
        text += line;
    }
    writeAll(fd, text.GetPtr(), static_cast<size_t>(text.GetLength()));
    ::close(fd);
}
