# Install-time: writes each program's menu entry with Exec set to the
# absolute path of <prefix>/bin/<program>, then installs it.
#   voice_menu_source    folder of the entries as kept in the source
#   voice_menu_stage     build folder the installed entries are written in
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

# Installs to different destinations may run at once (the tests do): each
# writes its entries into a folder of its own.
string(MD5 destination "$ENV{DESTDIR}${voice_prefix}")
set(voice_menu_stage "${voice_menu_stage}/${destination}")
file(MAKE_DIRECTORY "${voice_menu_stage}")
foreach(program ${voice_menu_programs})
  file(READ "${voice_menu_source}/${program}.desktop" entry)
  voice_exec_argument("${voice_prefix}/bin/${program}" exec)
  string(REGEX MATCH "\nExec=[^\n]*" line "${entry}")
  if(NOT line)
    message(FATAL_ERROR "${program}.desktop has no Exec line")
  endif()
  string(REPLACE "${line}" "\nExec=${exec}" entry "${entry}")
  file(WRITE "${voice_menu_stage}/${program}.desktop" "${entry}")
  file(INSTALL DESTINATION "${voice_prefix}/share/applications" TYPE FILE
       FILES "${voice_menu_stage}/${program}.desktop")
endforeach()
