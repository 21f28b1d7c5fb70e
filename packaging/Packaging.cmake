# Installs the program (and on Linux its menu entry and icon) and describes the packages CPack
# builds from that: a .deb on Linux, a .zip of the deployed program on Windows. Only the program
# is installed; the sample server and the tests stay in the build tree.
include(GNUInstallDirs)

install(TARGETS tovik-sql-tester tovik-threshold-explorer RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

if(WIN32)
    # windeployqt copies the Qt libraries and plugins (the ODBC SQL driver among them) beside the
    # program. Qt 6.5 renamed the argument that returns the script.
    if(Qt6_VERSION VERSION_LESS 6.5)
        qt_generate_deploy_app_script(TARGET tovik-sql-tester FILENAME_VARIABLE tovikDeployScript)
    else()
        qt_generate_deploy_app_script(TARGET tovik-sql-tester OUTPUT_SCRIPT tovikDeployScript)
    endif()
    install(SCRIPT ${tovikDeployScript})
elseif(UNIX AND NOT APPLE)
    set(tovikPackaging ${CMAKE_CURRENT_LIST_DIR})
    # The PNGs are drawn from each SVG by
    #   convert -background none NAME.svg -resize NxN -depth 8 -strip PNG32:NAME-N.png
    foreach(program tovik-sql-tester tovik-threshold-explorer)
        install(FILES ${tovikPackaging}/${program}.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
        install(FILES ${tovikPackaging}/icons/${program}.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
        foreach(size 48 256)
            install(FILES ${tovikPackaging}/icons/${program}-${size}.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
                RENAME ${program}.png)
        endforeach()
    endforeach()
endif()

set(CPACK_PACKAGE_NAME tovik-sql-tester)
set(CPACK_PACKAGE_VENDOR "Tovik")
set(CPACK_PACKAGE_CONTACT "Tovik SQL Tester developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Tries CPU-load alarm settings on a network-monitoring SQL Server database")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Connects through ODBC to the SQL Server database of an SNMP monitoring installation, counts "
    "per device the CPU-load samples of one hour that reach a threshold, names the devices that "
    "would raise the alarm and writes every query, result and timing to a run log. It only reads.")
set(CPACK_STRIP_FILES ON)

if(WIN32)
    set(CPACK_GENERATOR ZIP)
else()
    set(CPACK_GENERATOR DEB)
endif()

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
# dpkg-shlibdeps names the Qt, ODBC and C++ runtime libraries the program links; the rest is
# loaded at run time and would go unnoticed: Qt's ODBC driver plugin, the ODBC driver manager's
# tools and configuration, and the FreeTDS driver that reaches SQL Server.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-odbc, unixodbc, tdsodbc")
# The run log is shown through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")

include(CPack)
