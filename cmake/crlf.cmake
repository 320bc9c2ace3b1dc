# Copies IN to OUT with every line feed preceded by a carriage return. CMake's
# strings are bytes, and no Shift-JIS byte is a line feed, so this is safe
# for Shift-JIS text.
#   cmake -DIN=file -DOUT=file -P crlf.cmake
file(READ "${IN}" text)
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE "${OUT}" "${text}")
