# Fails when the README outgrows a page, or when a link between the README
# and the pages of docs/ leads nowhere: a missing file, or a #section that no
# heading of that file makes (headings become anchors as on the usual
# Markdown hosts: lower case, punctuation dropped, blanks made '-').
#
#   cmake -DSOURCE=path/to/the/sources -P tools/check_docs.cmake
cmake_minimum_required(VERSION 3.25)
if(NOT DEFINED SOURCE)
  message(FATAL_ERROR "check_docs.cmake needs -DSOURCE=...")
endif()
set(kReadmeLines 250)

file(READ ${SOURCE}/README.md readme)
string(REGEX MATCHALL "\n" newlines "${readme}")
list(LENGTH newlines count)
if(count GREATER kReadmeLines)
  message(FATAL_ERROR "README.md has ${count} lines; keep it to ${kReadmeLines} and move "
                      "the rest to docs/")
endif()

# The anchors the headings of FILE make, outside fenced code.
function(anchors_of file out)
  # One list item per line: CMake lists split at semicolons, except inside
  # square brackets, so both go first.
  file(READ ${file} text)
  string(REGEX REPLACE "[][;]" "" text "${text}")
  string(REPLACE "\n" ";" lines "${text}")
  set(anchors "")
  set(in_code FALSE)
  foreach(line IN LISTS lines)
    if(line MATCHES "^```")
      if(in_code)
        set(in_code FALSE)
      else()
        set(in_code TRUE)
      endif()
    elseif(NOT in_code AND line MATCHES "^#+ (.*)$")
      string(TOLOWER "${CMAKE_MATCH_1}" anchor)
      string(REGEX REPLACE "[^a-z0-9 _-]" "" anchor "${anchor}")
      string(REPLACE " " "-" anchor "${anchor}")
      list(APPEND anchors "${anchor}")
    endif()
  endforeach()
  set(${out} "${anchors}" PARENT_SCOPE)
endfunction()

file(GLOB pages ${SOURCE}/docs/*.md)
set(problems "")
foreach(page ${SOURCE}/README.md ${pages})
  file(READ ${page} text)
  get_filename_component(folder ${page} DIRECTORY)
  # Square brackets and semicolons would split CMake's lists where they
  # should not: mark the links, then drop those characters.
  string(REPLACE "](" "=>(" text "${text}")
  string(REGEX REPLACE "[][;]" "" text "${text}")
  string(REGEX MATCHALL "=>\\([^)# ]*(#[^) ]*)?\\)" links "${text}")
  foreach(link IN LISTS links)
    string(REGEX REPLACE "^=>\\(([^)# ]*)(#?)([^) ]*)\\)$" "\\1" target "${link}")
    string(REGEX REPLACE "^=>\\(([^)# ]*)(#?)([^) ]*)\\)$" "\\3" anchor "${link}")
    if(target MATCHES "^[a-z]+:")
      continue()  # a web address
    endif()
    if(target STREQUAL "")
      set(target_file ${page})
    else()
      set(target_file ${folder}/${target})
    endif()
    file(RELATIVE_PATH shown ${SOURCE} ${page})
    if(NOT EXISTS ${target_file})
      string(APPEND problems "\n  ${shown}: (${target}) leads to no file")
    elseif(NOT anchor STREQUAL "")
      anchors_of(${target_file} anchors)
      if(NOT anchor IN_LIST anchors)
        string(APPEND problems "\n  ${shown}: (${target}#${anchor}) leads to no heading")
      endif()
    endif()
  endforeach()
endforeach()
if(NOT problems STREQUAL "")
  message(FATAL_ERROR "broken links:${problems}")
endif()
message(STATUS "README.md: ${count} lines; every link of the README and docs/ leads somewhere")
