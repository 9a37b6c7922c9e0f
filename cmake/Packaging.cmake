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
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, hicolor-icon-theme")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "layered raster image editor\n"
    " Varnel opens BMP, GIF, ICO, JPEG, PNG and OpenRaster images, keeps them in\n"
    " layers with nineteen blend modes, and saves BMP, JPEG, PNG and OpenRaster\n"
    " files. It offers tone and colour adjustments with a live preview, blur and\n"
    " sharpen filters, geometry operations, selections with saved channels, an\n"
    " undo history and printing. varnel-cli runs the same commands without\n"
    " windows.")
string(REPLACE ";" "" CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")

include(CPack)
