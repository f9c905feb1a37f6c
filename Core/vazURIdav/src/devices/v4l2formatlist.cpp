#include "devices/v4l2formatlist.h"

#include "core/text.h"

#include <algorithm>
#include <cstring>

namespace zd
{

namespace
{

const V4l2PixelFormat kFormats[] = {
    {V4L2_PIX_FMT_YUYV, fourccFromText("YUY2"), AV_PIX_FMT_YUYV422, false, false},
    {V4L2_PIX_FMT_UYVY, fourccFromText("UYVY"), AV_PIX_FMT_UYVY422, false, false},
    {V4L2_PIX_FMT_NV12, fourccFromText("NV12"), AV_PIX_FMT_NV12, false, false},
    {V4L2_PIX_FMT_YUV420, fourccFromText("I420"), AV_PIX_FMT_YUV420P, false, false},
    {V4L2_PIX_FMT_YVU420, fourccFromText("YV12"), AV_PIX_FMT_YUV420P, false, true},
    {V4L2_PIX_FMT_P010, fourccFromText("P010"), AV_PIX_FMT_P010LE, false, false},
    {V4L2_PIX_FMT_RGB24, fourccFromText("RGB3"), AV_PIX_FMT_RGB24, false, false},
    {V4L2_PIX_FMT_BGR24, fourccFromText("BGR3"), AV_PIX_FMT_BGR24, false, false},
    {V4L2_PIX_FMT_GREY, fourccFromText("GREY"), AV_PIX_FMT_GRAY8, false, false},
    {V4L2_PIX_FMT_MJPEG, fourccFromText("MJPG"), AV_PIX_FMT_NONE, true, false},
    {V4L2_PIX_FMT_JPEG, fourccFromText("MJPG"), AV_PIX_FMT_NONE, true, false},
};

// Sizes offered from a driver that gives a range instead of a list.
const struct {
    uint32_t w, h;
} kCommonSizes[] = {{3840, 2160}, {2560, 1440}, {1920, 1080}, {1600, 1200},
                    {1280, 960},  {1280, 720},  {1024, 768},  {800, 600},
                    {640, 480},   {640, 360},   {352, 288},   {320, 240}};
// Rates offered from a driver that gives a range of intervals.
const int kCommonRates[] = {120, 60, 50, 30, 25, 20, 15, 10, 5};
// A rate assumed when the driver does not list its intervals.
constexpr int kUnlistedRate = 30;
constexpr uint32_t kMaxDimension = 16384;

bool fitsStep(uint32_t value, uint32_t min, uint32_t max, uint32_t step)
{
    if (value < min || value > max)
        return false;
    return step <= 1 || (value - min) % step == 0;
}

std::vector<std::pair<uint32_t, uint32_t>> sizesOf(V4l2Query& query, uint32_t pixelformat)
{
    std::vector<std::pair<uint32_t, uint32_t>> sizes;
    for (uint32_t i = 0; i < V4l2FormatList::kMaxSizes; ++i) {
        v4l2_frmsizeenum s{};
        s.index = i;
        s.pixel_format = pixelformat;
        if (!query.enumFrameSize(s))
            break;
        if (s.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
            if (s.discrete.width > 0 && s.discrete.height > 0 &&
                s.discrete.width <= kMaxDimension && s.discrete.height <= kMaxDimension)
                sizes.emplace_back(s.discrete.width, s.discrete.height);
            continue;
        }
        // Stepwise and continuous ranges come as one entry.
        const v4l2_frmsize_stepwise& r = s.stepwise;
        const uint32_t stepW = s.type == V4L2_FRMSIZE_TYPE_CONTINUOUS ? 1 : r.step_width;
        const uint32_t stepH = s.type == V4L2_FRMSIZE_TYPE_CONTINUOUS ? 1 : r.step_height;
        for (const auto& c : kCommonSizes) {
            if (fitsStep(c.w, r.min_width, r.max_width, stepW) &&
                fitsStep(c.h, r.min_height, r.max_height, stepH))
                sizes.emplace_back(c.w, c.h);
        }
        const uint32_t maxW = std::min(r.max_width, kMaxDimension);
        const uint32_t maxH = std::min(r.max_height, kMaxDimension);
        if (maxW > 0 && maxH > 0 && fitsStep(maxW, r.min_width, r.max_width, stepW) &&
            fitsStep(maxH, r.min_height, r.max_height, stepH))
            sizes.emplace_back(maxW, maxH);
        break;
    }
    std::stable_sort(sizes.begin(), sizes.end(), [](const auto& a, const auto& b) {
        return uint64_t(a.first) * a.second > uint64_t(b.first) * b.second;
    });
    sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
    return sizes;
}

std::vector<int> ratesOf(V4l2Query& query, uint32_t pixelformat, uint32_t w, uint32_t h)
{
    std::vector<int> rates;
    for (uint32_t i = 0; i < V4l2FormatList::kMaxIntervals; ++i) {
        v4l2_frmivalenum f{};
        f.index = i;
        f.pixel_format = pixelformat;
        f.width = w;
        f.height = h;
        if (!query.enumFrameInterval(f))
            break;
        if (f.type == V4L2_FRMIVAL_TYPE_DISCRETE) {
            const int fps = V4l2FormatList::fpsOf(f.discrete.numerator, f.discrete.denominator);
            if (fps > 0)
                rates.push_back(fps);
            continue;
        }
        // The shortest interval is the highest rate.
        const int most =
            V4l2FormatList::fpsOf(f.stepwise.min.numerator, f.stepwise.min.denominator);
        const int least =
            V4l2FormatList::fpsOf(f.stepwise.max.numerator, f.stepwise.max.denominator);
        if (most <= 0)
            break;
        for (int rate : kCommonRates) {
            if (rate <= most && rate >= std::max(least, 1))
                rates.push_back(rate);
        }
        if (rates.empty())
            rates.push_back(most);
        break;
    }
    std::sort(rates.begin(), rates.end(), std::greater<int>());
    rates.erase(std::unique(rates.begin(), rates.end()), rates.end());
    if (rates.empty())
        rates.push_back(kUnlistedRate);
    return rates;
}

} // namespace

int V4l2FormatList::fpsOf(uint32_t numerator, uint32_t denominator)
{
    if (numerator == 0 || denominator == 0)
        return 0;
    const uint64_t fps = (uint64_t(denominator) + numerator / 2) / numerator;
    return fps >= 1 && fps <= 1000 ? static_cast<int>(fps) : 0;
}

bool V4l2FormatList::pixelFormat(uint32_t v4l2, V4l2PixelFormat& out)
{
    for (const V4l2PixelFormat& f : kFormats) {
        if (f.v4l2 == v4l2) {
            out = f;
            return true;
        }
    }
    return false;
}

bool V4l2FormatList::pixelFormatShown(uint32_t shown, V4l2PixelFormat& out)
{
    for (const V4l2PixelFormat& f : kFormats) {
        if (f.shown == shown) {
            out = f;
            return true;
        }
    }
    return false;
}

std::vector<DEV_CAPACITY> V4l2FormatList::build(V4l2Query& query)
{
    std::vector<DEV_CAPACITY> out;
    std::vector<uint32_t> seen;
    for (uint32_t i = 0; i < kMaxPixelFormats && out.size() < ZD_MAX_CAPACITIES; ++i) {
        v4l2_fmtdesc desc{};
        desc.index = i;
        desc.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (!query.enumFormat(desc))
            break;
        V4l2PixelFormat pf;
        if (!pixelFormat(desc.pixelformat, pf))
            continue;
        // MJPG and JPEG drivers both show as "MJPG": list the first only.
        if (std::find(seen.begin(), seen.end(), pf.shown) != seen.end())
            continue;
        seen.push_back(pf.shown);
        for (const auto& size : sizesOf(query, desc.pixelformat)) {
            if (out.size() >= ZD_MAX_CAPACITIES)
                break;
            const std::vector<int> rates =
                ratesOf(query, desc.pixelformat, size.first, size.second);
            DEV_CAPACITY c{};
            c.width = static_cast<int32_t>(size.first);
            c.height = static_cast<int32_t>(size.second);
            c.fps = rates[0];
            c.fourcc = pf.shown;
            copyText(c.codecName, sizeof c.codecName, fourccText(pf.shown));
            c.fpsChoices[0] = rates.size() > 1 ? rates[1] : 0;
            c.fpsChoices[1] = rates.size() > 2 ? rates[2] : 0;
            out.push_back(c);
        }
    }
    return out;
}

bool V4l2FormatList::preferred(const std::vector<DEV_CAPACITY>& formats, DEV_CAPACITY& out)
{
    const DEV_CAPACITY* best = nullptr;
    auto better = [](const DEV_CAPACITY& a, const DEV_CAPACITY& b) {
        const bool smoothA = a.fps >= 25, smoothB = b.fps >= 25;
        if (smoothA != smoothB)
            return smoothA;
        const int64_t areaA = int64_t(a.width) * a.height, areaB = int64_t(b.width) * b.height;
        if (areaA != areaB)
            return areaA > areaB;
        return a.fps > b.fps; // on a tie the earlier (uncompressed first) stays
    };
    for (const DEV_CAPACITY& f : formats) {
        if (!best || better(f, *best))
            best = &f;
    }
    if (!best)
        return false;
    out = *best;
    return true;
}

} // namespace zd
