// The page's files (host/web/assets), built into the binary by
// embed_assets.cmake. The server answers only these paths.
#ifndef VESK_HOST_WEB_WEB_ASSETS_H
#define VESK_HOST_WEB_WEB_ASSETS_H

#include <cstddef>
#include <string_view>

namespace vesk_host::web {

struct Asset {
    const char* path;  // "/index.html"
    const char* type;  // the Content-Type
    const unsigned char* data;
    std::size_t size;
};

// The asset at `path`, or null.
const Asset* findAsset(std::string_view path);

} // namespace vesk_host::web

#endif
