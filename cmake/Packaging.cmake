# `make package`: a Debian package of what `make install` installs, under /usr. The library
# dependencies come from dpkg-shlibdeps; Qt's platform plugins are loaded at run time, so the
# package asks for them by name.
set(VARNEL_PACKAGE_MAINTAINER "Orvane <support@orvane.com>" CACHE STRING
    "The Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varnel)
set(CPACK_PACKAGE_VENDOR Orvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "layered raster image editor")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VARNEL_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.orvane.com/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# xdg-utils: the Help menu's web and mail links open through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, hicolor-icon-theme, xdg-utils")
# The long description without its synopsis (CPack puts CPACK_PACKAGE_DESCRIPTION_SUMMARY first
# and indents every line by the one space the control file needs; a line indented further
# would be shown verbatim).
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Varnel opens BMP, GIF, ICO, JPEG, PNG, TIFF, WebP and OpenRaster images,\n"
    "keeps them in layers with nineteen blend modes, and saves BMP, JPEG, PNG,\n"
    "TIFF, WebP and OpenRaster files. It offers tone and colour adjustments\n"
    "with a live preview, blur and sharpen filters, geometry operations,\n"
    "selections with saved channels, an undo history, printing and a user\n"
    "manual. varnel-cli runs the same commands without windows.")
string(REPLACE ";" "" CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")

include(CPack)
