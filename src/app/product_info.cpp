#include "app/product_info.h"

namespace varnel {

std::string productName() {
    return VARNEL_PRODUCT_NAME;
}

std::string productVersion() {
    return VARNEL_PRODUCT_VERSION;
}

}  // namespace varnel
