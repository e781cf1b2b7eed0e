# What `cmake --install` puts below the prefix, and the Debian package that
# `cpack -G DEB` makes of it (tools/package builds and checks it).
include(GNUInstallDirs)

set(TARRAWICK_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/tarrawick)

# Debian wants the changelog and the manual page compressed, reproducibly.
configure_file(res/linux/changelog.in changelog @ONLY)
foreach(plain ${CMAKE_CURRENT_BINARY_DIR}/changelog ${CMAKE_CURRENT_SOURCE_DIR}/res/linux/tarrawick.1)
    get_filename_component(name ${plain} NAME)
    add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${name}.gz
        COMMAND gzip -9 -n -c ${plain} > ${CMAKE_CURRENT_BINARY_DIR}/${name}.gz
        DEPENDS ${plain} VERBATIM)
    list(APPEND TARRAWICK_COMPRESSED ${CMAKE_CURRENT_BINARY_DIR}/${name}.gz)
endforeach()
add_custom_target(tarrawick_compressed_docs ALL DEPENDS ${TARRAWICK_COMPRESSED})

install(TARGETS tarrawick RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES res/linux/${TARRAWICK_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES res/linux/${TARRAWICK_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY res/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/tarrawick.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES res/linux/copyright DESTINATION ${TARRAWICK_DOC_DIR})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz DESTINATION ${TARRAWICK_DOC_DIR})

set(CPACK_PACKAGE_NAME tarrawick)
set(CPACK_PACKAGE_VENDOR "The Tarrawick developers")
set(CPACK_PACKAGE_CONTACT "The Tarrawick developers <developers@tarrawick.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "download tool for software archives: files, web sites, search results")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Tarrawick keeps three lists: single files fetched by their address over"
    "HTTP or FTP, web sites crawled for archives of the types you choose and"
    "saved in folders that mirror each site, and search projects whose result"
    "links can be sent on to the other lists. Each entry downloads in a worker"
    "of its own; entries start and halt on command or at set times, and a"
    "halted entry continues where it was. The lists are kept on disk while"
    "the program runs.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.tarrawick.example/")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the program links, as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
