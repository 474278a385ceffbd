# Optimised builds carry Debian's hardening: the flags dpkg-buildflags gives
# with every hardening feature on (stack protector, fortified string and
# format functions, read-only relocations, immediate binding). They are taken
# from dpkg-buildflags itself, so that they follow the Debian release built on
# and a packager's settings: DEB_BUILD_MAINT_OPTIONS (applied after ours) and
# DEB_*_APPEND. Its -g and -O flags are left out, the build type sets those.
# Sanitizer and fuzz builds go without: fortified functions would hide
# accesses from the sanitizers, and an unoptimised build cannot fortify.
if(VOICE_SANITIZE OR VOICE_FUZZ
   OR NOT CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$")
  return()
endif()

find_program(DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT DPKG_BUILDFLAGS)
  message(WARNING "dpkg-buildflags (package dpkg-dev) not found: "
                  "the build goes without Debian's hardening flags")
  return()
endif()

string(STRIP "hardening=+all $ENV{DEB_BUILD_MAINT_OPTIONS}" maint_options)
function(voice_buildflags kind out)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env "DEB_BUILD_MAINT_OPTIONS=${maint_options}"
            ${DPKG_BUILDFLAGS} --get ${kind}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE
    COMMAND_ERROR_IS_FATAL ANY)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  list(FILTER flags EXCLUDE REGEX "^-[gO]")
  set(${out} ${flags} PARENT_SCOPE)
endfunction()

voice_buildflags(CPPFLAGS cppflags)
voice_buildflags(CXXFLAGS cxxflags)
voice_buildflags(LDFLAGS ldflags)
add_compile_options(${cppflags})
foreach(flag ${cxxflags})
  add_compile_options($<$<COMPILE_LANGUAGE:CXX>:${flag}>)
endforeach()
add_link_options(${ldflags})
