#pragma once
#include "platform/base/PlatformError.h"

#include <functional>

namespace qvtest
{

// The number of the error f raises; 0 when it raises none.
inline int errorOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const qv::PlatformError &e) {
        return e.number();
    }
    return 0;
}

} // namespace qvtest
