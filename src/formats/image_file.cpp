#include "formats/image_file.h"

#include "formats/image_codec.h"

namespace varnel {

bool ImageFile::loadFromFile(const std::string& path, uint32_t flags) {
    try {
        const std::unique_ptr<ImageCodec> codec = createCodec();
        std::unique_ptr<ImageFile> fresh = createEmpty();
        if (!codec || !fresh || !codec->loadFromFile(*fresh, path, flags)) return false;
        // A header-only read brings format info but no pixels: the pixels held stay.
        if (flags & LoadHeaderOnly) {
            if (m_info && fresh->formatInfo()) m_info->assign(*fresh->formatInfo());
        } else {
            swapContents(*fresh);
        }
        return true;
    } catch (...) {
        return false;
    }
}

bool ImageFile::loadFromResource(uint32_t id, const ResourceModule* module, uint32_t flags) {
    try {
        const std::unique_ptr<ImageCodec> codec = createCodec();
        std::unique_ptr<ImageFile> fresh = createEmpty();
        if (!codec || !fresh || !codec->loadFromResource(*fresh, id, module, flags)) return false;
        if (flags & LoadHeaderOnly) {
            if (m_info && fresh->formatInfo()) m_info->assign(*fresh->formatInfo());
        } else {
            swapContents(*fresh);
        }
        return true;
    } catch (...) {
        return false;
    }
}

bool ImageFile::saveToFile(const std::string& path) const {
    try {
        const std::unique_ptr<ImageCodec> codec = createCodec();
        return codec && codec->saveToFile(path, *this);
    } catch (...) {
        return false;
    }
}

}  // namespace varnel
