# The built-in pattern library as a C++ source: every patterns/*.rle, in name
# order, as a file name and its text.
#   cmake -DPATTERN_DIR=patterns -DOUTPUT=BuiltInPatterns.cpp -P cmake/EmbedPatterns.cmake
file(GLOB names RELATIVE ${PATTERN_DIR} ${PATTERN_DIR}/*.rle)
list(SORT names)
set(entries "")
foreach(name IN LISTS names)
  file(READ ${PATTERN_DIR}/${name} text)
  string(APPEND entries "    {\"${name}\", R\"rle(${text})rle\"},\n")
endforeach()
list(LENGTH names count)
file(WRITE ${OUTPUT}.new "// Made from patterns/*.rle by cmake/EmbedPatterns.cmake; do not edit.
#include \"automaton/PatternLibrary.h\"

namespace tovra {

const BuiltInPatternFile kBuiltInPatterns[] = {
${entries}};
const std::size_t kBuiltInPatternCount = ${count};

}  // namespace tovra
")
configure_file(${OUTPUT}.new ${OUTPUT} COPYONLY)
