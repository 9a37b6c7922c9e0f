#include "formats/resources.h"

#include "formats/format_type.h"

namespace varnel {

std::optional<ResourceType> resourceTypeFor(int formatType) {
    switch (formatType) {
        case FormatNative:
            return ResourceType::named("VED");
        case FormatBmp:
            return ResourceType::numbered(kResourceBitmap);
        case FormatGif:
            return ResourceType::named("GIF");
        case FormatIco:
            return ResourceType::numbered(kResourceIcon);
        case FormatJpeg:
            return ResourceType::named("JPG");
        case FormatPng:
            return ResourceType::named("PNG");
        case FormatTiff:
            return ResourceType::named("TIF");
        default:
            return std::nullopt;
    }
}

bool ResourceModule::add(const ResourceType& type, uint32_t id, const uint8_t* data,
                         uint32_t size) {
    if (data == nullptr || size == 0) return false;
    m_entries[{type, id}] = {data, size};
    return true;
}

bool ResourceModule::remove(const ResourceType& type, uint32_t id) {
    return m_entries.erase({type, id}) > 0;
}

bool ResourceModule::find(const ResourceType& type, uint32_t id, const uint8_t*& data,
                          uint32_t& size) const {
    const auto it = m_entries.find({type, id});
    if (it == m_entries.end()) return false;
    data = it->second.first;
    size = it->second.second;
    return true;
}

ResourceModule& ResourceModule::program() {
    static ResourceModule module;
    return module;
}

const uint8_t* findResource(uint32_t id, const ResourceType& type, const ResourceModule* module,
                            uint32_t* size) {
    const ResourceModule& m = module ? *module : ResourceModule::program();
    const uint8_t* data = nullptr;
    uint32_t n = 0;
    if (!m.find(type, id, data, n) || data == nullptr || n == 0) return nullptr;
    if (size) *size = n;
    return data;
}

}  // namespace varnel
