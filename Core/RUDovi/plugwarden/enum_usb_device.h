// A snapshot of the USB devices attached to the machine, read from sysfs,
// and the list file the requesting party reads.
#pragma once

#include "vc6array.h"

#include <cstdint>

struct USBDevAddress {
    uint32_t service; // bus number << 16 | device number: names the device while attached
    uint16_t vid;
    uint16_t pid;
    uint16_t release;
    CString path;
    CString serial;
};

template <> struct CArrayTraits<USBDevAddress> {
    static void Construct(USBDevAddress* records, int count)
    {
        for (int i = 0; i < count; ++i) {
            USBDevAddress* r = records + i;
            std::memset(static_cast<void*>(r), 0, sizeof *r);
            new (&r->path) CString();
            new (&r->serial) CString();
        }
    }
    static void Destruct(USBDevAddress* records, int count)
    {
        for (int i = 0; i < count; ++i) {
            records[i].path.~CString();
            records[i].serial.~CString();
        }
    }
    static int GrowStep(int size)
    {
        const int step = size / 8;
        return step < 4 ? 4 : step > 1024 ? 1024 : step;
    }
};

using CUSBDevArray = CArray<USBDevAddress, USBDevAddress&>;

// The device list, emptied by every snapshot.
extern CUSBDevArray g_usbDevices;

// The sysfs folder read: $PLUGWARDEN_SYS_ROOT when it names an absolute
// folder, else /sys.
const char* UsbSysRoot();

// Takes the snapshot: 0, or -2 when the device folder cannot be read (the list
// then keeps the previous snapshot).
int StartWatchUSBDeviceChange();
// Reads one device folder of sysfs into the list; false when it is no device.
bool usbDeviceInsertEvent(const char* deviceFolder);
// Drops every record of that service.
void usbDeviceRemoveEvent(uint32_t service);
// "path_0000-<port>-<bus>-<vid>-<pid>-<subclass>-<class>" in lower-case hex.
CString UsbDevicePath(int port, int bus, int vid, int pid, int subclass, int deviceClass);
// Writes the time line and one line per device; nothing when the file cannot
// be opened as a regular file (a link is never followed).
void dump_all_usb_device(const char* path);
