// A style sheet from the resources, scaled by the display factor.
#include "cpublic.h"
#include "stdafx.h"

#include <QString>

#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    // The first byte picks the factor, including extreme ones.
    static const double factors[] = {1.0, 1.25, 1.5, 2.0, 0.0, -1.0, 1e9, 1e-9};
    g_dpi_percent = factors[data[0] % (sizeof factors / sizeof factors[0])];
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), int(size - 1));
    CPublic::scale_qss(text);
    return 0;
}
