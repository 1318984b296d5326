# cmake -DPDF=... -DPDFTOTEXT=... -DEXPECT=text;text... -P check_manual.cmake
if(NOT EXISTS "${PDF}")
  message(FATAL_ERROR "The manual was not built: ${PDF}")
endif()

file(READ "${PDF}" head LIMIT 5 HEX)
if(NOT head STREQUAL "255044462d")  # "%PDF-"
  message(FATAL_ERROR "Not a PDF (starts with bytes ${head}): ${PDF}")
endif()

# One page object per page; "/Type /Pages" is the page tree, not a page.
file(STRINGS "${PDF}" page_objects REGEX "/Type[ \t\r\n]*/Page([^s]|$)")
list(LENGTH page_objects pages)
if(pages LESS 5)
  message(FATAL_ERROR "The manual has ${pages} pages; expected at least 5")
endif()

# The Chinese font is embedded, not replaced by boxes or a Latin-only font.
file(STRINGS "${PDF}" font_names REGEX "/(BaseFont|FontName)[ \t]*/[A-Z]*\\+?[^ \t/]*(Noto|CJK)")
if(NOT font_names)
  message(FATAL_ERROR "No CJK font embedded in ${PDF}")
endif()

execute_process(COMMAND "${PDFTOTEXT}" -enc UTF-8 "${PDF}" -
                OUTPUT_VARIABLE text RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "pdftotext failed on ${PDF}: ${rc}")
endif()
foreach(expected IN LISTS EXPECT)
  string(FIND "${text}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "'${expected}' is not in the text of ${PDF}")
  endif()
endforeach()
# No character of the Kangxi Radicals (U+2F00..U+2FDF) or the CJK Radicals
# Supplement (U+2E80..U+2EFF): the manuals use none, so one in the text
# stands for an ideograph whose glyph it shares. In UTF-8 they are E2 BA 80
# to E2 BF 9F.
string(ASCII 226 lead)
string(ASCII 186 low)
string(ASCII 191 high)
string(REGEX MATCH "${lead}[${low}-${high}][^ \n]?[^ \n]?" radical "${text}")
if(radical)
  message(FATAL_ERROR "The text of ${PDF} holds the radical '${radical}' where an ideograph was drawn")
endif()
message(STATUS "${PDF}: ${pages} pages")
