# The engine and the host layer run and are tested without a window: they link Qt
# Core only and include nothing of Qt's GUI modules. Run at configure time on the
# targets, and as a test on the sources (cmake -DROOT=... -P CoreOnly.cmake).
set(qv_gui_pattern "Qt6::(Gui|Widgets|OpenGL|OpenGLWidgets|Quick|Svg|PrintSupport)")
set(qv_gui_include "#include[ \t]*<(Qt(Gui|Widgets)/|Q(Font|FontMetrics|Image|Pixmap|Painter|Color|Icon|GuiApplication|Widget|Screen|Window)>)")

function(qv_check_core_only)
  foreach(lib ${ARGN})
    get_target_property(deps ${lib} LINK_LIBRARIES)
    foreach(d IN LISTS deps)
      if(d MATCHES "${qv_gui_pattern}")
        message(FATAL_ERROR "${lib} links ${d}: the engine and the host layer link Qt Core only")
      endif()
    endforeach()
  endforeach()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE AND ROOT)
  file(GLOB_RECURSE sources "${ROOT}/src/engine/*" "${ROOT}/src/platform/*")
  foreach(f IN LISTS sources)
    file(STRINGS "${f}" hits REGEX "${qv_gui_include}")
    if(hits)
      message(FATAL_ERROR "${f} includes a GUI header: ${hits}")
    endif()
  endforeach()
endif()
