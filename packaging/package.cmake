# The Debian package: cpack -G DEB in the build folder (or the "package"
# workflow preset) gives pfs2vnk_VERSION_amd64.deb.  Its dependencies are
# computed from the programs by dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME pfs2vnk)
set(CPACK_PACKAGE_VENDOR "The pfs2vnk developers")
set(CPACK_PACKAGE_CONTACT "pfs2vnk maintainers <maintainers@users.noreply.c-seed-91c102bd.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "converter of PFS word-processor documents")
set(CPACK_PACKAGE_DESCRIPTION
  "pfs2vnk reads a word-processor document in the PFS format and writes it as\n\
an intermediate stream of text and layout records.  vnkdump lists such a\n\
stream or renders it as plain text, an HTML page or an ODT file; pfs2vnk-batch\n\
converts whole archives with workers, reports and renderings beside each\n\
target, PDF/A copies through LibreOffice and SHA-256 manifests for sha256sum.")
# LibreOffice only for pfs2vnk-batch --render pdfa.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libreoffice-writer-nogui")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "")

include(CPack)
