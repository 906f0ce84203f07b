# What a Windows program folder needs beside lumisett.exe when Qt is a set of
# DLLs: the Qt DLLs, the plugins in their sub-folders (platforms/, styles/,
# imageformats/) and the MinGW runtime DLLs. The same list fills the build's
# bin/ folder, where the tests run, and the package (install), so the tests
# prove the package's layout.

set(_qt_plugins
    platforms Qt6::QWindowsIntegrationPlugin
    platforms Qt6::QOffscreenIntegrationPlugin
    styles Qt6::QWindowsVistaStylePlugin
    imageformats Qt6::QGifPlugin
    imageformats Qt6::QJpegPlugin
    imageformats Qt6::QICOPlugin)

# The runtime DLLs of the compiler, found where it finds its libraries.
set(LUMISETT_MINGW_DLLS "")
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
        message(FATAL_ERROR "${CMAKE_CXX_COMPILER} knows no ${dll}")
    endif()
    list(APPEND LUMISETT_MINGW_DLLS "${path}")
endforeach()

# Copies into bin/ of the build: what the package holds, and Qt6Test.dll for
# the widget tests.
set(_copy "")
foreach(lib Qt6::Core Qt6::Gui Qt6::Widgets Qt6::Test)
    list(APPEND _copy COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${lib}>
         ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/)
endforeach()
list(APPEND _copy COMMAND ${CMAKE_COMMAND} -E copy_if_different ${LUMISETT_MINGW_DLLS}
     ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/)
set(_plugins ${_qt_plugins})
while(_plugins)
    list(POP_FRONT _plugins dir plugin)
    list(APPEND _copy COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${dir}
         COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${plugin}>
         ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${dir}/)
    install(FILES $<TARGET_FILE:${plugin}> DESTINATION ${dir})
endwhile()
add_custom_target(windows_runtime ALL ${_copy} COMMENT "Qt and runtime DLLs into bin/" VERBATIM)

install(FILES $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets>
        ${LUMISETT_MINGW_DLLS} DESTINATION .)
