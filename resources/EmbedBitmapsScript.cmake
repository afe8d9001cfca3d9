# Writes a C++ source with one byte array per bitmap and a table that
# registers them by resource number. Run by strellon_embed_bitmaps.
string(REPLACE "|" ";" entries "${ENTRIES}")
set(arrays "")
set(table "")
set(index 0)
foreach(entry ${entries})
  string(FIND "${entry}" "=" eq)
  string(SUBSTRING "${entry}" 0 ${eq} id)
  math(EXPR from "${eq} + 1")
  string(SUBSTRING "${entry}" ${from} -1 file)
  file(READ ${file} hex HEX)
  string(LENGTH "${hex}" hexlen)
  math(EXPR size "${hexlen} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "((0x..,){24})" "\\1\n    " bytes "${bytes}")
  string(APPEND arrays "const unsigned char bitmap${index}[${size}] = {\n    ${bytes}\n};\n")
  string(APPEND table "    {${id}, bitmap${index}, ${size}},\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE ${OUT}.tmp
"// Generated from bitmap files; do not edit.
#include \"platform/Resources.h\"

namespace {
${arrays}
const strellon::platform::BitmapResource table[] = {
${table}};

struct Registrar {
    Registrar() { strellon::platform::registerBitmapResources(table, sizeof table / sizeof table[0]); }
} registrar_${NAME};
} // namespace
")
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different ${OUT}.tmp ${OUT})
