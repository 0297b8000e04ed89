# Installs the build into two prefixes under PREFIX, a home's ~/.local and an /opt/kalvimo, and
# checks the tree, its desktop files with their own tools, and that each copy finds its data
# where it was installed and keeps its settings in the user's configuration folder.
set(root ${PREFIX})
file(REMOVE_RECURSE ${root})
set(home ${PREFIX}/home)
set(prefixes ${home}/.local ${PREFIX}/opt/kalvimo)
foreach(prefix IN LISTS prefixes)
    execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
        RESULT_VARIABLE result OUTPUT_QUIET)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "cmake --install --prefix ${prefix} failed")
    endif()
    set(user ${CMAKE_COMMAND} -E env HOME=${home} --unset=XDG_CONFIG_HOME)
    execute_process(COMMAND ${user} ${prefix}/bin/kalvimo-batch --help OUTPUT_VARIABLE batch)
    execute_process(COMMAND ${user} QT_QPA_PLATFORM=offscreen ${prefix}/bin/kalvimo --help
        OUTPUT_VARIABLE window)
    foreach(said
            "kalvimo-batch --help:(default: ${home}/.config/kalvimo/Settings.ini)"
            "kalvimo-batch --help:read from ${prefix}/share/kalvimo/presets.txt."
            "kalvimo-batch --help:guide: ${prefix}/share/doc/kalvimo/user-guide.pdf"
            "kalvimo --help:Settings: ${home}/.config/kalvimo/Settings.ini"
            "kalvimo --help:User guide (F1): ${prefix}/share/doc/kalvimo/user-guide.pdf")
        string(REGEX REPLACE ":.*" "" program "${said}")
        string(REGEX REPLACE "^[^:]*:" "" text "${said}")
        set(output ${batch})
        if(program STREQUAL "kalvimo --help")
            set(output ${window})
        endif()
        string(FIND "${output}" "${text}" at)
        if(at EQUAL -1)
            message(SEND_ERROR "installed in ${prefix}, ${program} does not say \"${text}\":\n"
                "${output}")
        endif()
    endforeach()
endforeach()
# The rest looks at the tree in ~/.local.
set(PREFIX ${home}/.local)

set(expected
    bin/kalvimo
    bin/kalvimo-batch
    share/applications/kalvimo.desktop
    share/icons/hicolor/scalable/apps/kalvimo.svg
    share/metainfo/io.github.kalvimo.Kalvimo.metainfo.xml
    share/man/man1/kalvimo.1.gz
    share/man/man1/kalvimo-batch.1.gz
    share/kalvimo/presets.txt
    share/doc/kalvimo/copyright
    share/doc/kalvimo/user-guide.pdf)
foreach(size 16 22 24 32 48 64 128 256)
    list(APPEND expected share/icons/hicolor/${size}x${size}/apps/kalvimo.png)
endforeach()
foreach(file IN LISTS expected)
    if(NOT EXISTS ${PREFIX}/${file})
        message(SEND_ERROR "missing from the installed tree: ${file}")
    endif()
endforeach()
# Nothing else: no tests, no libraries of the build.
file(GLOB_RECURSE installed RELATIVE ${PREFIX} ${PREFIX}/*)
list(REMOVE_ITEM installed ${expected})
if(installed)
    message(SEND_ERROR "installed but not expected: ${installed}")
endif()

foreach(size 16 256)
    file(READ ${PREFIX}/share/icons/hicolor/${size}x${size}/apps/kalvimo.png header LIMIT 24 HEX)
    # The PNG signature, then the header chunk's width and height.
    math(EXPR hex "${size}" OUTPUT_FORMAT HEXADECIMAL)
    string(SUBSTRING ${hex} 2 -1 hex)
    string(LENGTH ${hex} length)
    math(EXPR pad "8 - ${length}")
    string(REPEAT 0 ${pad} zeros)
    if(NOT header STREQUAL "89504e470d0a1a0a0000000d49484452${zeros}${hex}${zeros}${hex}")
        message(SEND_ERROR "kalvimo.png ${size}x${size} is not a ${size} pixel wide PNG")
    endif()
endforeach()

find_program(DESKTOP_FILE_VALIDATE desktop-file-validate REQUIRED)
find_program(APPSTREAMCLI appstreamcli REQUIRED)
foreach(check
        "${DESKTOP_FILE_VALIDATE};${PREFIX}/share/applications/kalvimo.desktop"
        "${APPSTREAMCLI};validate;--no-net;${PREFIX}/share/metainfo/io.github.kalvimo.Kalvimo.metainfo.xml"
        "${PREFIX}/bin/kalvimo-batch;--version")
    execute_process(COMMAND ${check} RESULT_VARIABLE result OUTPUT_VARIABLE output
        ERROR_VARIABLE output)
    if(NOT result EQUAL 0)
        message(SEND_ERROR "${check} failed:\n${output}")
    endif()
endforeach()
if(NOT output STREQUAL "kalvimo-batch ${VERSION}\n")
    message(SEND_ERROR "kalvimo-batch --version said: ${output}")
endif()
file(REMOVE_RECURSE ${root})
