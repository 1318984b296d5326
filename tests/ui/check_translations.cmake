# cmake -DLUPDATE=... -DROOT=... -DTS=.../corvane_en.ts -DWORK=... -P check_translations.cmake
#
# Every text the program shows has its English: lupdate reads the code into a
# copy of the English catalogue, and a text it has to add (or one whose
# translation was never finished) stays "unfinished".
file(MAKE_DIRECTORY "${WORK}")
set(copy "${WORK}/corvane_en.ts")
file(COPY_FILE "${TS}" "${copy}")
execute_process(
  COMMAND "${LUPDATE}" -I "${ROOT}" -locations none -no-obsolete -source-language zh_CN
          "${ROOT}/ui" "${ROOT}/controls" "${ROOT}/session" -ts "${copy}"
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "lupdate failed (${rc}):\n${out}\n${err}")
endif()
file(READ "${copy}" ts)
string(REGEX MATCHALL "<source>[^<]*(<byte[^>]*>[^<]*)*</source>[ \t\r\n]*<translation type=\"unfinished\"" unfinished "${ts}")
list(LENGTH unfinished count)
if(count GREATER 0)
  string(REPLACE ";" "\n" list "${unfinished}")
  message(FATAL_ERROR "${count} text(s) without English in ${TS} "
                      "(cmake --build build --target update_translations, then translate):\n${list}")
endif()
string(REGEX MATCHALL "<message>" messages "${ts}")
list(LENGTH messages total)
if(total LESS 150)
  message(FATAL_ERROR "lupdate found only ${total} texts; the sources were not read")
endif()
message(STATUS "${total} texts, each with its English")
