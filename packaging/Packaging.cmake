# Installs the programs (and on Linux their manual pages, menu entries, AppStream metainfo and
# icons, the licence and the changelog) and describes the packages CPack builds from that: a .deb
# on Linux, a .zip of the deployed programs on Windows. Only the programs are installed; the sample
# server and the tests stay in the build tree.
include(GNUInstallDirs)

set(tovikPackaging ${CMAKE_CURRENT_LIST_DIR})
set(tovikPackageName tovik-sql-tester)
set(tovikDocDir ${CMAKE_INSTALL_DATAROOTDIR}/doc/${tovikPackageName})
set(tovikLinuxDesktop FALSE)
if(UNIX AND NOT APPLE)
    set(tovikLinuxDesktop TRUE)
    find_program(TOVIK_GZIP gzip REQUIRED)
    # Directories in the package are 0755 whatever the umask of the build.
    set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
        OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endif()

# tovik_install_compressed(SOURCE DESTINATION [RENAME name])
# Installs SOURCE gzip-compressed as Debian wants manual pages and changelogs: at the highest
# level and without a name or time stamp, so that the package is the same from build to build.
function(tovik_install_compressed source destination)
    cmake_parse_arguments(ARG "" "RENAME" "" ${ARGN})
    get_filename_component(name ${source} NAME)
    if(ARG_RENAME)
        set(name ${ARG_RENAME})
    endif()
    set(compressed ${CMAKE_BINARY_DIR}/packaging/${destination}/${name}.gz)
    add_custom_command(OUTPUT ${compressed}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging/${destination}
        COMMAND ${TOVIK_GZIP} -9nc ${source} > ${compressed}
        DEPENDS ${source} VERBATIM)
    string(MAKE_C_IDENTIFIER "${destination}/${name}" targetName)
    add_custom_target(tovik_gz_${targetName} ALL DEPENDS ${compressed})
    install(FILES ${compressed} DESTINATION ${destination})
endfunction()

# tovik_install_program(TARGET [DESKTOP])
# Installs a program with its manual page packaging/man/TARGET.1. A DESKTOP program also gets its
# menu entry packaging/TARGET.desktop, its AppStream metainfo packaging/TARGET.metainfo.xml
# (installed under the component id it names) and its icon packaging/icons/TARGET.svg with the
# PNGs TARGET-48.png and TARGET-256.png drawn from it by
#   convert -background none TARGET.svg -resize NxN -depth 8 -strip PNG32:TARGET-N.png
function(tovik_install_program target)
    cmake_parse_arguments(ARG "DESKTOP" "" "" ${ARGN})
    install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    if(NOT tovikLinuxDesktop)
        return()
    endif()
    # Full RELRO: the dynamic symbols are resolved at start, then read-only.
    target_link_options(${target} PRIVATE LINKER:-z,relro,-z,now)
    tovik_install_compressed(${tovikPackaging}/man/${target}.1 ${CMAKE_INSTALL_MANDIR}/man1)
    if(NOT ARG_DESKTOP)
        return()
    endif()
    install(FILES ${tovikPackaging}/${target}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    set(metainfo ${tovikPackaging}/${target}.metainfo.xml)
    file(STRINGS ${metainfo} idLine REGEX "<id>.*</id>" LIMIT_COUNT 1)
    string(REGEX REPLACE ".*<id>(.*)</id>.*" "\\1" componentId "${idLine}")
    install(FILES ${metainfo} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
        RENAME ${componentId}.metainfo.xml)
    install(FILES ${tovikPackaging}/icons/${target}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    foreach(size 48 256)
        install(FILES ${tovikPackaging}/icons/${target}-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${target}.png)
    endforeach()
endfunction()

tovik_install_program(tovik-sql-tester DESKTOP)
tovik_install_program(tovik-cpu-check)

if(WIN32)
    # windeployqt copies the Qt libraries and plugins (the ODBC SQL driver among them) beside the
    # program. Qt 6.5 renamed the argument that returns the script.
    if(Qt6_VERSION VERSION_LESS 6.5)
        qt_generate_deploy_app_script(TARGET tovik-sql-tester FILENAME_VARIABLE tovikDeployScript)
    else()
        qt_generate_deploy_app_script(TARGET tovik-sql-tester OUTPUT_SCRIPT tovikDeployScript)
    endif()
    # The check lies beside the program and takes the same Qt libraries and ODBC driver plugin.
    install(SCRIPT ${tovikDeployScript})
    install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)
elseif(tovikLinuxDesktop)
    install(FILES ${tovikPackaging}/copyright DESTINATION ${tovikDocDir})
    tovik_install_compressed(${tovikPackaging}/changelog ${tovikDocDir})
endif()

set(TOVIK_PACKAGE_MAINTAINER "Tovik SQL Tester developers <maintainers@tovik.example>"
    CACHE STRING "The package's Maintainer: Name <address>")
set(CPACK_PACKAGE_NAME ${tovikPackageName})
set(CPACK_PACKAGE_VENDOR "Tovik")
set(CPACK_PACKAGE_CONTACT ${TOVIK_PACKAGE_MAINTAINER})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Tries CPU-load alarm settings on a network-monitoring SQL Server database")
# The Debian control file takes the lines as they are: each at most 80 characters.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Tovik SQL Tester connects through ODBC to the Microsoft SQL Server database\n"
    "in which an SNMP monitoring installation keeps the CPU-load samples of its\n"
    "devices. For one chosen hour it counts per device how many samples reached a\n"
    "CPU-load threshold and names the devices whose count reaches the number of\n"
    "occurrences: the devices that a CPU-load alarm with these settings would\n"
    "have raised. Every query, its result rows and its time go into a run log\n"
    "that opens in the desktop's text viewer. It only reads the database.\n"
    "tovik-cpu-check runs the same test from scripts, schedulers and monitoring\n"
    "systems and reports its result as a monitoring plugin does.")
set(CPACK_STRIP_FILES ON)

if(WIN32)
    set(CPACK_GENERATOR ZIP)
else()
    set(CPACK_GENERATOR DEB)
endif()

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The program looks for this prefix's bin directory to keep its run log out of it
# (src/CMakeLists.txt).
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# dpkg-shlibdeps names the Qt, ODBC and C++ runtime libraries the program links; the rest is
# loaded at run time and would go unnoticed: Qt's ODBC driver plugin, Qt's platform plugins (the
# window cannot open without one), the ODBC driver manager's tools and configuration, and the
# FreeTDS driver that reaches SQL Server.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-odbc, qt6-qpa-plugins, unixodbc, tdsodbc")
# The run log is shown through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")

include(CPack)
