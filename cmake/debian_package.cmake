# `cpack -G DEB` in the build folder: velmo_<version>_amd64.deb with both programs, the desktop
# entry, the help, VELMOD.COM, VELMOD.TXT and the floppy images. The Qt 6 runtime packages it
# needs come from dpkg-shlibdeps, which reads them off the programs as built.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmo)
set(CPACK_PACKAGE_VENDOR Velmo)
set(CPACK_PACKAGE_CONTACT "Velmo maintainers <velmo@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Drive an MS-DOS machine over an RS-232C cable")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "A window with a 24-line console for an MS-DOS machine at the far end of a serial cable,\n\
its companion VELMOD.COM for the DOS side (PC/AT and PC-98), with a typeable form that DOS's\n\
own COPY can take from the cable and floppy images of both formats, and velmo-dos, a\n\
simulated MS-DOS machine.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window needs a platform plugin, which the Qt libraries only recommend, and CJK glyphs.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk | fonts-ipafont-gothic")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
