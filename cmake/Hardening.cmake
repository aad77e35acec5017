# SPDX-License-Identifier: GPL-3.0-or-later
# The distribution's hardening flags (fortify, stack protector, format checks, relro
# and now), as dpkg-buildflags gives them. Only those: its other flags (debug prefix
# maps of the source folder) would make each checkout's objects differ.
find_program(DPKG_BUILDFLAGS dpkg-buildflags)
set(qv_hardening_compile -D_FORTIFY_SOURCE=2 -fstack-protector-strong -Wformat -Werror=format-security)
set(qv_hardening_link -Wl,-z,relro -Wl,-z,now)
if(DPKG_BUILDFLAGS)
  set(qv_hardening_compile)
  set(qv_hardening_link)
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                            ${DPKG_BUILDFLAGS} --get ${kind}
                    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    foreach(flag IN LISTS flags)
      if(flag MATCHES "^-Wl,-z,")
        list(APPEND qv_hardening_link ${flag})
      elseif(flag MATCHES "^(-D_FORTIFY_SOURCE|-U_FORTIFY_SOURCE|-fstack-protector|-fstack-clash|-fcf-protection|-Wformat|-Werror=format)")
        list(APPEND qv_hardening_compile ${flag})
      endif()
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES qv_hardening_compile)
  list(REMOVE_DUPLICATES qv_hardening_link)
endif()
# Fortify needs the optimiser: a Debug build would only warn about it.
add_compile_options("$<$<NOT:$<CONFIG:Debug>>:${qv_hardening_compile}>")
add_link_options(${qv_hardening_link})
