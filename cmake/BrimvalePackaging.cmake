# `cpack -G DEB` in the build folder makes a Debian package of what `cmake
# --install` puts in place, under /usr. Its dependencies come from
# dpkg-shlibdeps, so they are whatever the build linked against.
include(GNUInstallDirs)

set(BRIMVALE_PACKAGE_MAINTAINER "Brimvale maintainers <brimvale@users.noreply.github.com>"
    CACHE STRING "The Maintainer field of the Debian package")

# Debian wants a copyright file and a compressed changelog in the package's doc
# folder; a native package (no Debian revision) names it changelog.gz.
set(brimvale_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/brimvale)
set(brimvale_changelog_gz ${CMAKE_BINARY_DIR}/changelog.gz)
add_custom_command(
  OUTPUT ${brimvale_changelog_gz}
  COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/assets/debian/changelog > ${brimvale_changelog_gz}
  DEPENDS ${PROJECT_SOURCE_DIR}/assets/debian/changelog
  COMMENT "Compressing the Debian changelog")
add_custom_target(brimvale_package_docs ALL DEPENDS ${brimvale_changelog_gz})
install(FILES ${PROJECT_SOURCE_DIR}/assets/debian/copyright ${brimvale_changelog_gz}
        DESTINATION ${brimvale_doc_dir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brimvale)
set(CPACK_PACKAGE_VENDOR "Brimvale developers")
set(CPACK_PACKAGE_CONTACT "${BRIMVALE_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${BRIMVALE_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps sees the libraries linked, not Qt's plugins: the xcb platform
# plugin is in its own package (the SVG icon engine comes with libqt6svg6).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The Wayland platform plugin: without it, a Wayland session that runs no
# XWayland leaves Qt nothing to draw on.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, qt6-wayland")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "clipboard history in the system tray")
set(CPACK_PACKAGE_DESCRIPTION
    "Brimvale keeps every plain text you copy, sorted into URLs, code and other\ntext, and lets you search, preview, copy back, export and clear the history\nfrom a panel opened from the tray. Texts marked secret by a password manager\nare never recorded, and Privacy Mode pauses recording.")
include(CPack)
