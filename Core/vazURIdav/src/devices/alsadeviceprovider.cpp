#include "devices/alsadeviceprovider.h"

#include "core/text.h"
#include "devices/alsacapture.h"
#include "devices/devicenames.h"
#include "devices/sysfsusb.h"

#include <algorithm>
#include <alsa/asoundlib.h>
#include <cstdio>
#include <dirent.h>
#include <map>
#include <sys/stat.h>

namespace zd
{

namespace
{

// "pcmC<card>D<device>c", the capture nodes.
bool isCaptureNode(const std::string& name)
{
    return name.size() > 6 && name.size() < 16 && name.compare(0, 4, "pcmC") == 0 &&
           name.back() == 'c';
}

} // namespace

AlsaDeviceProvider::AlsaDeviceProvider(std::string devRoot, std::string sysRoot)
    : m_devRoot(std::move(devRoot)), m_sysRoot(std::move(sysRoot))
{
}

std::string AlsaDeviceProvider::safeCardId(const std::string& id)
{
    if (id.empty() || id.size() > 32)
        return {};
    for (char c : id) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                        (c >= '0' && c <= '9') || c == '_' || c == '-';
        if (!ok)
            return {};
    }
    return id;
}

std::vector<AlsaPcmInfo> AlsaDeviceProvider::describe(const std::vector<AlsaPcmEntry>& entries,
                                                      const std::string& sysRoot)
{
    std::map<int, int> perCard;
    for (const AlsaPcmEntry& e : entries)
        perCard[e.card]++;
    std::vector<AlsaPcmInfo> out;
    for (const AlsaPcmEntry& e : entries) {
        AlsaPcmInfo info;
        info.cardId = safeCardId(e.cardId);
        if (info.cardId.empty())
            info.cardId = std::to_string(e.card);
        info.device = e.device;
        info.denied = e.denied;
        info.node = e.node;
        std::string name = e.cardName.empty() ? info.cardId : e.cardName;
        if (perCard[e.card] > 1 && !e.pcmName.empty() && e.pcmName != name)
            name += ": " + e.pcmName;
        copyText(info.name.name, sizeof info.name.name, name);
        info.name.kind = ZD_DEVICE_KIND_AUDIO;

        const UsbIdentity usb =
            SysfsUsb::lookup(sysRoot, "class/sound/card" + std::to_string(e.card));
        char node[32];
        std::string path;
        if (usb.usb) {
            std::snprintf(node, sizeof node, "audio-if%02d-%d", std::max(usb.interfaceNumber, 0),
                          e.device);
            path = SysfsUsb::devicePath(usb, node);
        } else {
            path = "ALSA#" + SysfsUsb::cleanField(info.cardId) + "#" + std::to_string(e.device);
        }
        copyText(info.name.path, sizeof info.name.path, path);
        out.push_back(std::move(info));
    }
    std::vector<DEV_NAME*> names;
    for (AlsaPcmInfo& info : out)
        names.push_back(&info.name);
    DeviceNames::makeDistinct(names);
    return out;
}

std::vector<AlsaPcmEntry> AlsaDeviceProvider::deniedEntries(const std::vector<std::string>& nodes,
                                                            const std::vector<AlsaPcmEntry>& known,
                                                            const std::string& devRoot,
                                                            const std::string& sysRoot)
{
    std::vector<AlsaPcmEntry> out;
    for (const std::string& entry : nodes) {
        const std::string name = entry.substr(0, entry.find(':'));
        int card = -1, device = -1;
        char tail = 0;
        // "pcmC<card>D<device>c", nothing more.
        if (std::sscanf(name.c_str(), "pcmC%3dD%3d%c", &card, &device, &tail) != 3 || tail != 'c' ||
            card < 0 || device < 0 ||
            name != "pcmC" + std::to_string(card) + "D" + std::to_string(device) + "c")
            continue;
        bool listed = false;
        for (const AlsaPcmEntry& k : known)
            listed |= k.card == card && k.device == device;
        if (listed)
            continue;
        AlsaPcmEntry e;
        e.card = card;
        e.device = device;
        e.denied = true;
        e.node = devRoot + "/snd/" + name;
        const std::string cardEntry = "class/sound/card" + std::to_string(card);
        std::string text;
        if (SysfsUsb::readAttribute(sysRoot + "/" + cardEntry + "/id", text))
            e.cardId = SysfsUsb::cleanField(text);
        e.cardName = SysfsUsb::lookup(sysRoot, cardEntry).product;
        out.push_back(std::move(e));
    }
    return out;
}

std::vector<AlsaPcmEntry> AlsaDeviceProvider::enumerate()
{
    AlsaCapture::routeLibraryErrors();
    std::vector<AlsaPcmEntry> entries;
    int card = -1;
    for (int cards = 0; cards < kMaxCards && snd_card_next(&card) == 0 && card >= 0; ++cards) {
        snd_ctl_t* ctl = nullptr;
        const std::string hw = "hw:" + std::to_string(card);
        if (snd_ctl_open(&ctl, hw.c_str(), 0) < 0)
            continue;
        snd_ctl_card_info_t* cardInfo = nullptr;
        snd_pcm_info_t* pcmInfo = nullptr;
        snd_ctl_card_info_malloc(&cardInfo);
        snd_pcm_info_malloc(&pcmInfo);
        if (cardInfo && pcmInfo && snd_ctl_card_info(ctl, cardInfo) == 0) {
            int device = -1;
            for (int pcms = 0; pcms < kMaxPcmsPerCard &&
                               snd_ctl_pcm_next_device(ctl, &device) == 0 && device >= 0;
                 ++pcms) {
                snd_pcm_info_set_device(pcmInfo, static_cast<unsigned>(device));
                snd_pcm_info_set_subdevice(pcmInfo, 0);
                snd_pcm_info_set_stream(pcmInfo, SND_PCM_STREAM_CAPTURE);
                if (snd_ctl_pcm_info(ctl, pcmInfo) < 0)
                    continue; // no capture side
                AlsaPcmEntry e;
                e.card = card;
                e.cardId = boundedText(snd_ctl_card_info_get_id(cardInfo), 64);
                e.cardName = boundedText(snd_ctl_card_info_get_name(cardInfo), 128);
                e.device = device;
                e.pcmName = boundedText(snd_pcm_info_get_name(pcmInfo), 128);
                entries.push_back(std::move(e));
            }
        }
        if (pcmInfo)
            snd_pcm_info_free(pcmInfo);
        if (cardInfo)
            snd_ctl_card_info_free(cardInfo);
        snd_ctl_close(ctl);
    }
    return entries;
}

std::vector<std::string> AlsaDeviceProvider::nodeSignature() const
{
    std::vector<std::string> out;
    const std::string folder = m_devRoot + "/snd";
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return out;
    while (dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (!isCaptureNode(name) || out.size() >= static_cast<size_t>(kMaxCards * 4))
            continue;
        struct stat st {
        };
        if (::stat((folder + "/" + name).c_str(), &st) != 0)
            continue;
        char line[128];
        std::snprintf(line, sizeof line, "%s:%llu:%lld.%09ld", name.c_str(),
                      static_cast<unsigned long long>(st.st_rdev),
                      static_cast<long long>(st.st_ctim.tv_sec), st.st_ctim.tv_nsec);
        out.push_back(line);
    }
    ::closedir(dir);
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::shared_ptr<CaptureDevice>> AlsaDeviceProvider::devices()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> signature = nodeSignature();
    if (m_scanned && signature == m_signature)
        return m_devices;
    std::vector<std::shared_ptr<CaptureDevice>> fresh;
    if (!signature.empty()) {
        std::vector<AlsaPcmEntry> entries = enumerate();
        for (AlsaPcmEntry& e : deniedEntries(signature, entries, m_devRoot, m_sysRoot))
            entries.push_back(std::move(e));
        for (AlsaPcmInfo& info : describe(entries, m_sysRoot)) {
            std::shared_ptr<CaptureDevice> kept;
            for (const auto& d : m_devices) {
                auto* a = static_cast<AlsaDevice*>(d.get());
                if (a->pathText() == boundedText(info.name.path, sizeof info.name.path) &&
                    a->info().cardId == info.cardId && a->info().device == info.device &&
                    a->info().denied == info.denied)
                    kept = d;
            }
            fresh.push_back(kept ? kept : std::make_shared<AlsaDevice>(std::move(info)));
        }
    }
    m_devices = std::move(fresh);
    m_signature = std::move(signature);
    m_scanned = true;
    return m_devices;
}

} // namespace zd
