# cmake -DPDF=... [-DPDFTOTEXT=...] [-DEXPECT=title;title...] -P check_manual.cmake
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

if(PDFTOTEXT)
  execute_process(COMMAND "${PDFTOTEXT}" -enc UTF-8 "${PDF}" -
                  OUTPUT_VARIABLE text RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "pdftotext failed on ${PDF}: ${rc}")
  endif()
  # Chapter titles whose characters extract as themselves: the PDF's
  # ToUnicode map sends some ideographs that share a glyph with a Kangxi
  # radical (用, 手, 文 ...) to the radical, so "用户手册" itself is not searched.
  if(NOT EXPECT)
    set(EXPECT "参数与参数尾" "播放与按键" "剪切与拼接" "corvane-tool")
  endif()
  foreach(expected IN LISTS EXPECT)
    string(FIND "${text}" "${expected}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "'${expected}' is not in the text of ${PDF}")
    endif()
  endforeach()
endif()
message(STATUS "${PDF}: ${pages} pages")
