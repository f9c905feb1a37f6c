#include "core/errortext.h"

namespace zd
{

const char* ErrorText::text(int code)
{
    switch (code) {
    case 1:
        return "The device could not be opened.";
    case 2:
        return "The device is used by another program.";
    case 3:
        return "The device does not offer the chosen format.";
    case 4:
        return "The device delivers no picture.";
    case 5:
        return "Not enough memory for the preview.";
    case 6:
        return "The device was removed.";
    case 7:
        return "The preview window cannot be used.";
    case 8:
        return "The video decoder failed.";
    default:
        return nullptr;
    }
}

} // namespace zd
