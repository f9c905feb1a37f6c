// The machine's ALSA capture devices, one per capture PCM device of every
// sound card. Cards are asked again only when /dev/snd changed.
#pragma once

#include "devices/alsadevice.h"
#include "devices/deviceprovider.h"

#include <mutex>
#include <string>
#include <vector>

namespace zd
{

// What ALSA says of one capture PCM device.
struct AlsaPcmEntry {
    int card = 0;
    std::string cardId;
    std::string cardName;
    int device = 0;
    std::string pcmName;
    // The user may not open the card: known from its nodes and sysfs only.
    bool denied = false;
    std::string node; // the capture node, for a denied card
};

class AlsaDeviceProvider : public DeviceProvider
{
public:
    static constexpr int kMaxCards = 32;
    static constexpr int kMaxPcmsPerCard = 32;

    explicit AlsaDeviceProvider(std::string devRoot = "/dev", std::string sysRoot = "/sys");
    std::vector<std::shared_ptr<CaptureDevice>> devices() override;

    // Names and paths of the entries: the card's name (with the PCM's name
    // where a card has several), "USB#VID_..#..#audio-ifNN-D" for USB cards,
    // "ALSA#<card id>#D" for others; equal names made distinct.
    static std::vector<AlsaPcmInfo> describe(const std::vector<AlsaPcmEntry>& entries,
                                             const std::string& sysRoot);
    // A card id usable inside a PCM name; empty when it is not one.
    static std::string safeCardId(const std::string& id);
    // Entries for the capture nodes ("pcmC1D0c" in signature order) of cards
    // ALSA could not be asked about, from sysfs: the card's id, and the USB
    // product name where the card sits on USB.
    static std::vector<AlsaPcmEntry> deniedEntries(const std::vector<std::string>& nodes,
                                                   const std::vector<AlsaPcmEntry>& known,
                                                   const std::string& devRoot,
                                                   const std::string& sysRoot);

private:
    std::vector<std::string> nodeSignature() const;
    static std::vector<AlsaPcmEntry> enumerate();

    const std::string m_devRoot;
    const std::string m_sysRoot;
    std::mutex m_mutex;
    std::vector<std::string> m_signature;
    bool m_scanned = false;
    std::vector<std::shared_ptr<CaptureDevice>> m_devices;
};

} // namespace zd
