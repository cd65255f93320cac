# Installs the build into a fresh prefix and checks that what a desktop needs is there:
# both programs, the desktop entry naming them, and its icon.
set(prefix ${BUILD}/install-check)
file(REMOVE_RECURSE ${prefix})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${prefix}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
foreach(file bin/mandelbrot-navigator bin/mandelbrot-render
             share/applications/mandelbrot-navigator.desktop
             share/icons/hicolor/256x256/apps/mandelbrot-navigator.png)
  if(NOT EXISTS ${prefix}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
file(READ ${prefix}/share/applications/mandelbrot-navigator.desktop entry)
foreach(line "Exec=mandelbrot-navigator" "Icon=mandelbrot-navigator" "Type=Application")
  string(FIND "${entry}" "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the desktop entry lacks ${line}")
  endif()
endforeach()
execute_process(COMMAND ${prefix}/bin/mandelbrot-render --help RESULT_VARIABLE result
                OUTPUT_VARIABLE help)
if(NOT result EQUAL 0 OR NOT help MATCHES "--view")
  message(FATAL_ERROR "the installed mandelbrot-render does not run")
endif()
file(REMOVE_RECURSE ${prefix})
