# The Debian package of the client and its two tools, made by CPack from the install rules.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ordavo)
set(CPACK_PACKAGE_VENDOR Moravent)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Moravent <${ORDAVO_DEFAULT_SUPPORT_EMAIL}>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop client for the work orders of a car workshop")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.ordavo.si/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The synopsis line comes from the summary above; this is the extended description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Ordavo follows the work and reception orders that a car workshop's web service holds:
it lists and refreshes them, shows one order with its items and total, marks it billed,
prints it or saves it as PDF, RTF, Excel or HTML, and prepares an e-mail with the PDF.
It also edits the item catalogue and keeps a register of stored tyres.
.
The package also holds ordavo-remote, which runs statements against a workshop server
and prints the answers as JSON, and ordavo-workshop-sim, a simulator of the workshop
and directory servers for demonstrations and tests.")
# Libraries from the binaries themselves; beside them what the program starts or loads by
# name at run time: xdg-open for addresses, files and mail, the fonts its windows and
# printouts name, and Qt's own Slovenian translation for the standard dialogs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(ORDAVO_RUNTIME_DEPENDS "xdg-utils, fonts-dejavu-core, fonts-dejavu-extra, fonts-liberation2, qt6-translations-l10n"
    CACHE STRING "Packages the client loads or starts at run time, for the package's Depends")
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${ORDAVO_RUNTIME_DEPENDS}")

include(CPack)
