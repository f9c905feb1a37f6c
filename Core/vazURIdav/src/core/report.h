// One report on its way to the message callback.
#pragma once

namespace zd
{

struct Report {
    void* target = nullptr;
    unsigned int msg = 0;
    unsigned long wParam = 0;
    long long lParam = 0;
    void* ptr = nullptr;
};

} // namespace zd
