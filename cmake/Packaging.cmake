# The Debian package: `cpack -G DEB` in the build folder (scripts/package does it and checks it).
# Everything installs under /usr; the plug-in's key file stays out (component KeyFile), since an
# installed plug-in finds the editor of its own installation.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ocuvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Ocuvane developers")
set(CPACK_PACKAGE_CONTACT "The Ocuvane developers <developers@ocuvane.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "photo retoucher that removes red eyes")
# The synopsis comes from the summary; this is the long description, paragraphs apart.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Ocuvane opens a photo, and a click on each eye finds the coloured pupil and
darkens it, keeping the catch-light; it can also find every red pupil by
itself. It changes brightness and contrast, paints gleams, rotates, flips,
crops and resizes (JPEG photos losslessly where the picture allows it), puts
text on a photo, prints, and imports from scanners.

The package also holds ocuvane-cli, the same tools for scripts and batch
work, and a filter plug-in that lets a host program retouch an image in the
editor.")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://ocuvane.org/")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};Unspecified;/")
set(CPACK_STRIP_FILES ON)
# The libraries the programs link come from the binaries themselves; the window system's Qt
# plug-ins and the scanner library are loaded at run time, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libsane1")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
