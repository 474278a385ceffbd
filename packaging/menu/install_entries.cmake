# Install-time: writes each program's menu entry with Exec set to the
# absolute path of <prefix>/bin/<program>, straight to its place: nothing is
# written into the build tree, which a root install would leave root's files in.
#   voice_menu_source    folder of the entries as kept in the source
#   voice_menu_programs  the programs with an entry
#   voice_prefix         the prefix installed to (install_prefix.cmake)

# The path as one argument of an Exec key: quoted when it holds a character
# the key reserves, with " ` $ \ escaped inside the quotes; % doubled (a
# single one starts a field code); then escaped as any string value is.
function(voice_exec_argument path out)
  string(REPLACE "%" "%%" arg "${path}")
  if(arg MATCHES "[ \t\n\"'\\\\><~|&;$*?#()`]")
    string(REPLACE "\\" "\\\\" arg "${arg}")
    string(REPLACE "\"" "\\\"" arg "${arg}")
    string(REPLACE "`" "\\`" arg "${arg}")
    string(REPLACE "$" "\\$" arg "${arg}")
    set(arg "\"${arg}\"")
  endif()
  string(REPLACE "\\" "\\\\" arg "${arg}")
  string(REPLACE "\n" "\\n" arg "${arg}")
  string(REPLACE "\t" "\\t" arg "${arg}")
  string(REPLACE "\r" "\\r" arg "${arg}")
  set(${out} "${arg}" PARENT_SCOPE)
endfunction()

foreach(program ${voice_menu_programs})
  file(READ "${voice_menu_source}/${program}.desktop" entry)
  voice_exec_argument("${voice_prefix}/bin/${program}" exec)
  string(REGEX MATCH "\nExec=[^\n]*" line "${entry}")
  if(NOT line)
    message(FATAL_ERROR "${program}.desktop has no Exec line")
  endif()
  string(REPLACE "${line}" "\nExec=${exec}" entry "${entry}")
  # As file(INSTALL) would: reported, mode 644 whatever the umask, and listed
  # in the install manifest (without DESTDIR).
  set(installed "${voice_prefix}/share/applications/${program}.desktop")
  message(STATUS "Installing: $ENV{DESTDIR}${installed}")
  file(WRITE "$ENV{DESTDIR}${installed}" "${entry}")
  file(CHMOD "$ENV{DESTDIR}${installed}"
       PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${installed}")
endforeach()
