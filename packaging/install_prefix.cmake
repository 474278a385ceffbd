# Included by install-time code. voice_prefix: the prefix installed to,
# without trailing slashes. voice_system_install: true for the prefix /usr,
# the Debian package's (cpack installs there under DESTDIR), where files the
# system looks for in its own folders (/etc, udev's rules) go to those
# folders rather than under the prefix.
string(REGEX REPLACE "/+$" "" voice_prefix "${CMAKE_INSTALL_PREFIX}")
if(voice_prefix STREQUAL "/usr")
  set(voice_system_install TRUE)
else()
  set(voice_system_install FALSE)
endif()
