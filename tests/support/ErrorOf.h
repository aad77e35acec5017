#pragma once
#include "platform/base/PlatformError.h"
#include "platform/base/Result.h"

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

// The number of the error a result holds; 0 when it holds a value.
template <class T> int errorOf(const qv::Result<T> &r)
{
    return r.ok() ? 0 : r.error().number;
}

} // namespace qvtest
