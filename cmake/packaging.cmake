# The Debian package, made by `cpack -G DEB` in a configured and built tree
# (scripts/package does this on the release build). Everything the install
# rules put under the prefix goes in, below /usr.
set(MOORKEEP_MAINTAINER "Moorkeep developers <moorkeep@users.noreply.github.com>"
    CACHE STRING "The Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME moorkeep)
set(CPACK_PACKAGE_VENDOR "The Moorkeep developers")
set(CPACK_PACKAGE_CONTACT "${MOORKEEP_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION [=[
Moorkeep shows the hosts of your OpenSSH client configuration and the key
pairs in ~/.ssh in one window: find a host and copy its ssh command, add or
fix a host without hand-editing the file, generate a key, set or remove its
passphrase, and see which hosts use which key. The configuration is edited
block by block; every other line stays exactly as it was.

The command-line companion moorkeepctl works on the same files under the
same rules.]=])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the programs link, found by dpkg-shlibdeps; ssh-keygen and
# ssh are run, not linked, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS openssh-client)
# The Qt platform plugin that runs the window in a Wayland session; without
# it Qt falls back to X (XWayland).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "bash-completion, qt6-wayland")

include(CPack)
