// Resources: byte blocks linked into the program (bitmaps, images) found by a type and an id.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>

namespace varnel {

// A resource type is either a number (the standard types, such as bitmaps) or a name.
struct ResourceType {
    uint32_t number = 0;  // used when name is empty
    std::string name;

    static ResourceType numbered(uint32_t n) { return {n, {}}; }
    static ResourceType named(std::string s) { return {0, std::move(s)}; }
    friend bool operator==(const ResourceType&, const ResourceType&) = default;
    friend auto operator<=>(const ResourceType&, const ResourceType&) = default;
};

constexpr uint32_t kResourceBitmap = 2;  // a packed bitmap without file header
constexpr uint32_t kResourceIcon = 3;

// The resource type under which an image of a format type is looked up: 0 "VED", 1 the bitmap
// type, 2 "GIF", 3 the icon type, 4 "JPG", 5 "PNG", 6 "TIF"; none for any other number.
std::optional<ResourceType> resourceTypeFor(int formatType);

// A table of resources. The program's own module holds the resources built into the program;
// other modules can be built for plug-in data or tests. The bytes are borrowed: they must
// outlive the module (resources built into the program are static).
class ResourceModule {
public:
    // Adds or replaces a resource; an empty block is refused.
    bool add(const ResourceType& type, uint32_t id, const uint8_t* data, uint32_t size);
    bool remove(const ResourceType& type, uint32_t id);
    // The resource's bytes and size, or false when it is not there.
    bool find(const ResourceType& type, uint32_t id, const uint8_t*& data, uint32_t& size) const;

    static ResourceModule& program();

private:
    std::map<std::pair<ResourceType, uint32_t>, std::pair<const uint8_t*, uint32_t>> m_entries;
};

// Finds resource `id` of `type` in `module` (the program's own module when null). Returns the
// bytes and writes their size, or returns null (leaving `size` alone) when the resource is
// missing or empty.
const uint8_t* findResource(uint32_t id, const ResourceType& type, const ResourceModule* module,
                            uint32_t* size);

}  // namespace varnel
