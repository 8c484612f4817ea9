# The Debian packages, made by CPack from the install rules: `ordavo`, the client a workshop's
# counter PC needs, and `ordavo-tools`, the diagnostic command and the workshop simulator with
# their libraries. Each install rule names its component (client or tools); `cmake --install`
# installs both.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ordavo)
set(CPACK_PACKAGE_VENDOR Moravent)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Moravent <${ORDAVO_DEFAULT_SUPPORT_EMAIL}>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.ordavo.si/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL)
if(TARGET ordavo)
  list(APPEND CPACK_COMPONENTS_ALL client)
endif()
list(APPEND CPACK_COMPONENTS_ALL tools)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Both packages come from one source, whose changelog both carry.
set(CPACK_DEBIAN_PACKAGE_SOURCE ordavo)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries from each package's own binaries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# The first line of a description is the package's synopsis, the rest its extended
# description; empty lines separate paragraphs. Lines stay within 80 columns.
set(CPACK_DEBIAN_CLIENT_PACKAGE_NAME ordavo)
set(CPACK_DEBIAN_CLIENT_DESCRIPTION "desktop client for the work orders of a car workshop
Ordavo follows the work and reception orders that a car workshop's web
service holds: it lists and refreshes them, shows one order with its items
and total, marks it billed, prints it or saves it as PDF, RTF, Excel or HTML,
and prepares an e-mail with the PDF. It also edits the item catalogue and
keeps a register of stored tyres.

The diagnostic command and the workshop simulator are in ordavo-tools.")
# Beside the libraries, what the client starts or loads by name at run time: xdg-open and
# xdg-email for addresses, files and mail, the fonts its windows and printouts name, and Qt's
# own Slovenian translation for the standard dialogs.
set(ORDAVO_RUNTIME_DEPENDS "xdg-utils, fonts-dejavu-core, fonts-dejavu-extra, fonts-liberation2, qt6-translations-l10n"
    CACHE STRING "Packages the client loads or starts at run time, for the Depends of package ordavo")
set(CPACK_DEBIAN_CLIENT_PACKAGE_DEPENDS "${ORDAVO_RUNTIME_DEPENDS}")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME ordavo-tools)
set(CPACK_DEBIAN_TOOLS_DESCRIPTION "diagnostic command and workshop simulator for Ordavo
ordavo-remote sends statements to a workshop's server through the Ordavo
client's own transport and prints the answers as JSON, for support staff.

ordavo-workshop-sim simulates the workshop's web server and the directory
server on loopback, with seeded data and injected faults, for demonstrations
and tests of the client. With --mariadb it runs the statements on a private
MariaDB server, which needs the package mariadb-server.")
# The simulator draws its order PDFs in DejaVu Sans; --mariadb starts a private MariaDB server.
set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS "fonts-dejavu-core")
set(CPACK_DEBIAN_TOOLS_PACKAGE_SUGGESTS "mariadb-server")

include(CPack)
