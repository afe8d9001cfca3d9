#pragma once
#include <cstddef>

namespace strellon::platform {

// A bitmap file compiled into the library, found by resource number.
struct BitmapResource {
    int id;
    const unsigned char* data;
    std::size_t size;
};

// Generated resource tables register themselves at load time.
void registerBitmapResources(const BitmapResource* table, std::size_t count);
const BitmapResource* findBitmapResource(int id);

} // namespace strellon::platform
