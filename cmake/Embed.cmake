# Turns each file into a C++ string constant so that scripts ship inside the program
# byte for byte. Usage: cmake -DOUT=x.cpp -DNS=ns -DFILES="a;b" -P Embed.cmake
set(body "// Generated from the files under src/engine/scripts; do not edit.\n#include <string_view>\nnamespace ${NS} {\n")
foreach(f IN LISTS FILES)
  get_filename_component(name "${f}" NAME_WE)
  file(READ "${f}" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," chars "${hex}")
  string(APPEND body "static const char k_${name}[] = {${chars} 0};\n")
  string(APPEND body "extern const std::string_view ${name}{k_${name}, sizeof(k_${name}) - 1};\n")
endforeach()
string(APPEND body "}\n")
file(WRITE "${OUT}" "${body}")
