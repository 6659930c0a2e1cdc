# Fails when a program's manual page and its --help disagree: an option of either missing from
# the other, a command of the help without its entry in the page's COMMANDS (or the reverse), an
# environment variable of the help that the page does not name; or when man warns about the
# page. Run as
#   cmake -DPROGRAM=<exe> -DSOURCE=<page.1.scd> -DPAGE=<page.1> [-DMAN=<man>] -P check_man_page.cmake
cmake_minimum_required(VERSION 3.25)

execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --help exited ${status}")
endif()
file(READ ${SOURCE} page)

# The options a text names: a dash or two and a letter, after anything that cannot be part of a
# word ("pixamantler-cli" and "per-owner" are no options).
function(options_of text out)
  # Brackets and semicolons would bind or split CMake's list elements.
  string(REPLACE "[" " " text "${text}")
  string(REPLACE "]" " " text "${text}")
  string(REPLACE ";" " " text "${text}")
  string(REGEX MATCHALL "[^A-Za-z0-9_./-]--?[A-Za-z][A-Za-z0-9-]*" found " ${text}")
  list(TRANSFORM found REPLACE "^[^-]" "")
  list(REMOVE_DUPLICATES found)
  list(SORT found)
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

# The entries of `wanted` that `have` lacks, as "what: a, b" in `faults`.
function(report_missing what wanted have)
  set(missing "")
  foreach(item IN LISTS wanted)
    if(NOT item IN_LIST have)
      list(APPEND missing "${item}")
    endif()
  endforeach()
  if(missing)
    list(JOIN missing ", " text)
    set(faults "${faults}\n  ${what}: ${text}" PARENT_SCOPE)
  endif()
endfunction()

set(faults "")
options_of("${help}" help_options)
options_of("${page}" page_options)
report_missing("options of --help that the page lacks" "${help_options}" "${page_options}")
report_missing("options of the page that --help lacks" "${page_options}" "${help_options}")

# Commands: the first word of each line of the help's "Commands:" block, and the entries of the
# page's COMMANDS section.
set(help_commands "")
if(help MATCHES "\nCommands:\n(.*)")
  string(REGEX REPLACE "\n\n.*" "" block "${CMAKE_MATCH_1}")
  string(REGEX MATCHALL "(^|\n)  [a-z]+" found "${block}")
  foreach(entry IN LISTS found)
    string(STRIP "${entry}" entry)
    list(APPEND help_commands ${entry})
  endforeach()
endif()
set(page_commands "")
if(page MATCHES "\n# COMMANDS\n(.*)")
  string(REGEX REPLACE "\n# .*" "" section "${CMAKE_MATCH_1}")
  string(REGEX MATCHALL "\n\\*[a-z]+\\*" found "${section}")
  list(TRANSFORM found REPLACE "[\n*]" "")
  set(page_commands ${found})
endif()
report_missing("commands of --help that the page lacks" "${help_commands}" "${page_commands}")
report_missing("commands of the page that --help lacks" "${page_commands}" "${help_commands}")

string(REGEX MATCHALL "[A-Z][A-Z0-9]*_[A-Z0-9_]+" help_variables "${help}")
list(REMOVE_DUPLICATES help_variables)
string(REGEX MATCHALL "\n\\*[A-Z][A-Z0-9_]*\\*" page_variables "${page}")
list(TRANSFORM page_variables REPLACE "[\n*]" "")
report_missing("environment variables of --help that the page does not describe"
               "${help_variables}" "${page_variables}")

if(MAN)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env MANWIDTH=80 LC_ALL=C.UTF-8
                          ${MAN} --warnings -E UTF-8 -l ${PAGE}
                  OUTPUT_QUIET ERROR_VARIABLE warnings RESULT_VARIABLE status)
  if(NOT status EQUAL 0 OR NOT warnings STREQUAL "")
    set(faults "${faults}\n  man --warnings (exit ${status}):\n${warnings}")
  endif()
endif()

if(faults)
  message(FATAL_ERROR "${PAGE} and ${PROGRAM} --help disagree:${faults}")
endif()
list(LENGTH help_options count)
message(STATUS "${PAGE}: ${count} options, as --help has them; no warnings from man")
