# Writes a text for Windows readers as OUT, with CR LF line ends: the file IN
# as it is, or the man page PAGE rendered as plain text through groff where
# groff is installed (else its source).
#   cmake -DIN=README.md -DOUT=README.txt -P windows_text.cmake
#   cmake -DPAGE=d88cut.1 -DOUT=d88cut.txt -P windows_text.cmake
if(DEFINED PAGE)
  find_program(GROFF groff)
  if(GROFF)
    # -k: the page holds UTF-8; -P-cbou: no escape sequences, bold or underline.
    execute_process(COMMAND ${GROFF} -k -man -Tutf8 -P-cbou ${PAGE}
                    OUTPUT_VARIABLE text RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "groff could not render ${PAGE}")
    endif()
  else()
    file(READ ${PAGE} text)
  endif()
else()
  file(READ ${IN} text)
endif()
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${OUT} "${text}")
